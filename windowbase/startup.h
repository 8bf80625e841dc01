#pragma once
// Diagnostics of the start-up path, each switched on by an environment
// variable and otherwise inert.
namespace Startup {
// KOBANTO_STARTUP_PROBE set: once the first window has drawn its first frame
// and handed it to the display, print "first-paint <s.us> cpu-ms <ms>" on
// standard output: the wall-clock time (the clock bash's $EPOCHREALTIME
// reads) and the processor time the process has used so far. With the value
// "exit" the program ends right there (for profiling start-up alone).
void watchFirstPaint();

// KOBANTO_CHECK_ASSETS set: check that the pictures, sounds and built-in
// pictures are where the program looks for them, print what was found and
// return the exit status (0 all there). Returns -1 when not asked for.
int checkAssetsIfAsked();
}  // namespace Startup
