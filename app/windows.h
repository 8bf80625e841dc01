#pragma once
// The one place that knows every window class: it tells the window set how
// to create each of the nine. Kept apart from the window set itself, so that
// a test that registers only its own windows links only those.
void registerAllWindows();
