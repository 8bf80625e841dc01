#pragma once
// The program's command line. Without arguments the program starts as it
// always has, with the opening; "--mode" opens one way to play directly (the
// desktop launcher's actions use it).
#include <QString>
#include <QStringList>

#include "windowbase/kwindow.h"

namespace CommandLine {
struct Outcome {
    // False: print the texts below and end with exitStatus, opening no window.
    bool start = true;
    // The first window when starting: the opening, or the window of a mode.
    FormId firstWindow = FormId::Form4;
    int exitStatus = 0;
    // False: the host never talks to the home router ("--no-port-mapping").
    bool portMapping = true;
    QString out;  // for standard output (help, version)
    QString err;  // for standard error (what was wrong with the arguments)
};

// args as main receives them, the program name first. Needs no application
// object, so that "--help" answers where no display is at hand.
Outcome parse(const QStringList &args);

// Shows the first window; a build without the opening falls back to the
// local match. Returns the window shown, or nullptr.
KWindow *openFirstWindow(FormId first);
}  // namespace CommandLine
