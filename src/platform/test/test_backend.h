// Test backend: a virtual millisecond clock, frame hooks and the places where the
// display, drawing, input and audio doubles plug in. Game logic runs on it headless
// and deterministic.
#pragma once

#include <cstdint>
#include <functional>

namespace testbackend {

// Back to program start: clock 0, random generator at its start state, the
// system's wall clock and a fault-free file layer; frame and reset hooks are
// kept, and every double clears its own record through its reset hook.
void Reset();

// The virtual clock. `Delay` advances it; nothing else does unless a test says so.
// It wraps like a 32-bit counter: SetClock(INT32_MAX) then AdvanceClock(1) reads INT32_MIN.
int32_t Clock();
void SetClock(int32_t ms);
void AdvanceClock(int32_t ms);
// Extra milliseconds added on every `MilliSecs` reading (a slow machine), 0 by default.
void SetReadCost(int32_t ms);

// Called by the display double's Flip: counts the frame and runs every frame
// hook (the input double advances its script there).
void EndFrame();
int FrameCount();
void AddFrameHook(std::function<void()> hook);
// Run on Reset, so each double can clear its own state.
void AddResetHook(std::function<void()> hook);

// AppExit under the test backend: instead of ending the process it unwinds to
// the test as this exception, which carries the exit status.
struct AppExited {
  int status;
};

}  // namespace testbackend
