#include "platform/test/test_backend.h"

#include <vector>

#include "platform/app.h"
#include "platform/files.h"
#include "platform/runtime.h"

namespace testbackend {
namespace {
struct State {
  int64_t clock = 0;
  int32_t read_cost = 0;
  int frames = 0;
  std::vector<std::function<void()>> frame_hooks;
  std::vector<std::function<void()>> reset_hooks;
};
State& S() {
  static State s;
  return s;
}
}  // namespace

void Reset() {
  S().clock = 0;
  S().read_cost = 0;
  S().frames = 0;
  SeedRnd(4660);
  SetLocalClockHook(nullptr);
  SetWriteFailAfter(-1);
  for (auto& h : S().reset_hooks) h();
}

// Kept wide and cut to 32 bits on reading, so the virtual clock wraps from
// 2^31 - 1 to -2^31 exactly as the real 32-bit counter does.
int32_t Clock() { return static_cast<int32_t>(static_cast<uint32_t>(S().clock)); }
void SetClock(int32_t ms) { S().clock = ms; }
void AdvanceClock(int32_t ms) { S().clock += ms; }
void SetReadCost(int32_t ms) { S().read_cost = ms; }

void EndFrame() {
  ++S().frames;
  for (auto& h : S().frame_hooks) h();
}
int FrameCount() { return S().frames; }
void AddFrameHook(std::function<void()> hook) { S().frame_hooks.push_back(std::move(hook)); }
void AddResetHook(std::function<void()> hook) { S().reset_hooks.push_back(std::move(hook)); }

}  // namespace testbackend

// The virtual clock stands in for the system clock: a wait costs no real time.
int32_t MilliSecs() {
  testbackend::AdvanceClock(testbackend::S().read_cost);
  return testbackend::Clock();
}

void Delay(int32_t ms) {
  if (ms > 0) testbackend::AdvanceClock(ms);
}

void AppExit(int status) { throw testbackend::AppExited{status}; }
