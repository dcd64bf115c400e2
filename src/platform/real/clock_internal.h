// How the real clock turns elapsed time into the game's 32-bit count.
#pragma once

#include <cstdint>

// Milliseconds since program start, as a 32-bit counter shows them: after
// 2^31 - 1 comes -2^31, after 2^32 - 1 comes 0. Unsigned casts keep it defined.
inline int32_t WrapToCounter(uint64_t elapsed_ms) {
  return static_cast<int32_t>(static_cast<uint32_t>(elapsed_ms));
}
