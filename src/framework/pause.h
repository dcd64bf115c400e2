// The pause menu: a modal screen over the grabbed game frame with
// "Continue" and "Quit".
#pragma once

#include <cstdint>

constexpr int32_t kPauseContinue = 1;
constexpr int32_t kPauseQuit = 99;

// Runs the menu's own frames (each ends with fps) and returns 1 to continue
// or 99 to quit, once Escape is up. Reseeds the shared random generator from
// the clock on the way out.
int32_t PauseMe();

// Set the moment the menu's answer is Quit: the game that opened it is over
// from then on, though the menu and the frame that opened it still run and
// the run may end in them. The game clears it.
extern bool QuitChosenInPause;
