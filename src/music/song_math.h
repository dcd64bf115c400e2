// 32-bit arithmetic of the song position, wrapping as the generator's integers
// always have: songs with large seeds must come out the same everywhere.
#pragma once

#include <cstdint>

inline int32_t QrdmWrapAdd(int32_t a, int32_t b) {
  return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

// The seed shifted left by 10 bits, the high bits lost.
inline int32_t QrdmSeedBase(int32_t seed) { return static_cast<int32_t>(static_cast<uint32_t>(seed) << 10); }

// Reseeds the shared generator from the song seed, the song position and an
// offset, so that every drawing step of a song depends on nothing else.
void QrdmReseed(int32_t offset);
