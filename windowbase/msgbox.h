#pragma once
// The one place that shows message boxes. Tests install a handler that
// answers instead of a person.
#include <QString>
#include <functional>

namespace MsgBox {
enum class Kind { Notice, Question };

// Notice: OK button, no icon. Question: Yes/No, exclamation icon; true on Yes.
void notice(const QString &text);
bool ask(const QString &text);

// Boxes currently open (a box runs a nested event loop: handlers arriving
// meanwhile can look at this and hold their work until it is 0 again).
int openCount();

// Runs callback from the event loop once no box is open (queued, so never
// inside the handler that opened the box).
void onAllClosed(std::function<void()> callback);

// Test hook. The handler receives the text and kind and returns the answer
// (ignored for notices). It may run an event loop of its own to simulate
// events arriving while the box is open. Pass nullptr for real boxes.
using Handler = std::function<bool(const QString &text, Kind kind)>;
void setHandler(Handler handler);
}  // namespace MsgBox
