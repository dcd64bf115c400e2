// The pause menu: a modal screen over the grabbed game frame with
// "Continue" and "Quit".
#pragma once

#include <cstdint>

constexpr int32_t kPauseContinue = 1;
constexpr int32_t kPauseQuit = 99;

// Runs the menu's own frames (each ends with fps) and returns 1 to continue
// or 99 to quit, once Escape is up. Reseeds the shared random generator from
// the clock on the way out. An exit request that comes once Quit is chosen
// (in the rest of that frame, or while Escape is still held) is kept for the
// caller's next frame or wait, and ends the wait for Escape.
int32_t PauseMe();
