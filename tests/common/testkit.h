#pragma once
// What every test needs: answered message boxes, an observed program end,
// silent sound, and a clean window set between cases.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <initializer_list>

#include "app/windows.h"
#include "windowbase/module1.h"
#include "windowbase/msgbox.h"

class QWidget;

namespace TestKit {
// Call once from initTestCase(), then register the windows (registerAllWindows()).
void init();
// Unload every window, forget boxes, answers and program ends.
void reset();
// Let deleteLater() and queued calls run.
void settle();

QStringList boxTexts();
void clearBoxes();
// Answers for the next questions, in order; a question with none left is answered No.
void queueAnswers(std::initializer_list<bool> answers);
// Runs for every box before it is answered (for example to pump events while
// it is "open").
void setBoxHook(std::function<void(const QString &text)> hook);

// The windows loaded now, as FormId numbers.
QList<int> loadedWindows();

// How often the program ended since the last reset().
int endCount();

// A double-click as the platform delivers it: press, release, double-click, release.
void doubleClick(QWidget *w);

// A test of the windows: every window registered, the network matches as
// plain windows (so that a dialog's "設定" opens no socket), and a clean set
// between cases.
class WindowTest : public QObject {
    Q_OBJECT
public slots:
    void initTestCase();
    void cleanup() { reset(); }
};
}  // namespace TestKit
