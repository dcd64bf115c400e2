// The system clock of the real backend.
#include <chrono>
#include <thread>

#include "platform/real/clock_internal.h"
#include "platform/runtime.h"

namespace {
// Taken while the program starts, so the count begins near 0 and a 32-bit
// counter only wraps after about 24.8 days of play.
const std::chrono::steady_clock::time_point g_program_start = std::chrono::steady_clock::now();
}  // namespace

int32_t MilliSecs() {
  const auto elapsed = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now() - g_program_start);
  return WrapToCounter(static_cast<uint64_t>(elapsed.count()));
}

void Delay(int32_t ms) {
  if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}
