#pragma once
// The four ways to play, in the menu's order (top left, top right, bottom
// left, bottom right): the menu opens them, the command line names them.
#include "windowbase/kwindow.h"

namespace Modes {
struct Mode {
    const char *option;  // "--mode" value
    FormId window;       // the window it opens; the network modes start at their settings
    const char *title;   // as the menu shows it and assistive tools read it
};

inline constexpr Mode all[4] = {
    {"local", FormId::Form1, "1台対戦"},
    {"cpu", FormId::Form2, "CPU対戦"},
    {"server", FormId::Form6, "通信対戦 サーバ"},
    {"client", FormId::Form7, "通信対戦 クライアント"},
};
}  // namespace Modes
