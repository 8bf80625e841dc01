#pragma once
// The process-wide pieces: the set of nine windows, the connection settings
// and the end of the program.
#include <QString>
#include <functional>

#include "shell/kwindow.h"

namespace Module1 {
using Factory = std::function<KWindow *()>;
// Each window class registers how to create it (see KOBANTO_REGISTER_FORM).
bool registerForm(FormId id, Factory factory);
// Whether a window class for this slot is linked into the program.
bool registered(FormId id);

// The loaded window, or nullptr.
KWindow *loaded(FormId id);
template <class T>
T *form(FormId id)
{
    return qobject_cast<T *>(loaded(id));
}
// Create the window and run its load handler if it is not loaded yet.
// Returns nullptr if the load handler itself discarded the window.
KWindow *load(FormId id);
// Load if needed, then make visible.
KWindow *show(FormId id);
// Make invisible; the window keeps its state.
void hide(FormId id);
// Discard the window: its Form_Unload runs, it disappears at once and is
// deleted once control is back in the event loop. A later show starts afresh.
void unload(FormId id);
// Unload every loaded window in the fixed order Form1 .. Form9.
void allunload();

// End the program at once (after allunload). Nothing of the program runs
// afterwards. Tests replace the exit with a hook and can then ask ending().
void endProgram();
bool ending();
void setEndHook(std::function<void()> hook);
// Back to a fresh state (tests): unload everything, clear settings and ending().
void resetForTests();

// GameSettings: written by the settings dialogs, read by the network windows.
void setserverdata(const QString &name, qint16 port);
void setclientdata(const QString &name, qint16 port, const QString &host);
qint16 getport();
QString gethost();
QString getname();
}  // namespace Module1

#define KOBANTO_CONCAT2(a, b) a##b
#define KOBANTO_CONCAT(a, b) KOBANTO_CONCAT2(a, b)
#define KOBANTO_REGISTER_FORM(ID, CLASS)                                                                        \
    static const bool KOBANTO_CONCAT(kobanto_registered_, __LINE__) = Module1::registerForm(ID, []() -> KWindow * { \
        return new CLASS;                                                                                       \
    })
