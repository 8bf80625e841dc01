#pragma once
// The process-wide pieces: the set of nine windows, the connection settings
// and the end of the program.
#include <QString>
#include <functional>

#include "windowbase/kwindow.h"

namespace Module1 {
using Factory = std::function<KWindow *()>;
// How the window set creates the window of a slot. The program registers all
// nine at start-up (main.cpp); a test registers the ones it drives.
void registerForm(FormId id, Factory factory);
template <class W>
Factory factoryOf()
{
    return []() -> KWindow * { return new W; };
}
// Whether a window is registered for this slot.
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
// afterwards, and no window loads any more. Tests replace the exit with a
// hook, which runs instead.
void endProgram();
void setEndHook(std::function<void()> hook);
// Back to a fresh state (tests): unload everything, clear settings, let
// windows load again.
void resetForTests();

// GameSettings: written by the settings dialogs, read by the network windows.
void setserverdata(const QString &name, qint16 port);
void setclientdata(const QString &name, qint16 port, const QString &host);
qint16 getport();
QString gethost();
QString getname();
}  // namespace Module1
