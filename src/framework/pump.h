// The frame pump that ends every frame of every screen loop, the comment
// ticker it draws, and the game's millisecond clock.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// Finishes the frame: score popups, Tab (options overlay, settings written),
// memory collection every second call, F11 and Esc in play on drawn frames,
// the options overlay, F12 and the debug overlay, the pointer (showmouse 1,
// or while the overlay is requested), the mouse sample, the wait to 60
// frames a second, the music step, the comment ticker, the flip (not on the
// undrawn frames of frame skip), the frame-rate average, the frame-skip phase
// and the exit request. `first` and `second` do not change what it does.
// Returns the pause menu's answer (1 continue, 99 quit) from the call that
// ran it, else 0.
int32_t fps(int32_t first, int32_t second, int32_t showmouse);

// Queues a one-line comment at the end of the ticker.
int32_t AddComment(const std::string& txt, int32_t c);

int32_t MMillisecs();

// One pass of a loop that waits without running frames (for a key or button
// to come up, or for a hold to pass): sleeps a millisecond, fetches the
// window system's events, and answers a close request or a termination
// signal as the frame pump does, with the farewell, which saves first. A
// stuck key must not keep the game from ending.
void WaitStep();
// The same pass for a wait whose routine still has work to finish before the
// run may end (a game whose name was just given still has to be recorded):
// on a close request or a termination signal it answers false and keeps the
// request for the next frame or wait to answer, instead of ending the run.
bool WaitStepOrStop();
// Waits in such passes until the clock reaches `deadline` (compared as a
// difference, so across a clock wrap too); returns at once when it has.
void WaitUntil(int32_t deadline);

// The routines the pump hands over to. They start as the game's own; tests
// swap them to watch the pump's order, and must swap `finish` for something
// that returns, since the farewell screen ends the process.
struct FrameServices {
  std::function<void()> drawScores;
  std::function<void()> saveIni;
  std::function<void()> saveScreenshot;
  std::function<int32_t()> pauseMe;
  std::function<void()> option;
  std::function<void()> musicStep;
  std::function<void()> finish;
};
FrameServices& PumpServices();
// Puts every service back to the game's own routine.
void ResetPumpServices();
