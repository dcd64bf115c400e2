#include "scores/score_records.h"

std::string MyName = "Player";
int32_t Mybadges = 0;

int32_t GetFlag(int32_t flags, int32_t n) {
  const uint32_t shift = static_cast<uint32_t>(n - 1) & 31u;
  return static_cast<int32_t>((static_cast<uint32_t>(flags) >> shift) & 1u);
}

int32_t SetFlag(int32_t flags, int32_t n, int32_t value) {
  const uint32_t shift = static_cast<uint32_t>(n - 1) & 31u;
  const uint32_t bit = 1u << shift;
  // 1073741823 keeps the low 30 bits: the two top bits never survive.
  const uint32_t kept = static_cast<uint32_t>(flags) & (1073741823u - bit);
  return static_cast<int32_t>(kept + static_cast<uint32_t>(value) * bit);
}
