// Records held by the start-up's shared containers: the score history, the
// comment ticker and the floating score popups.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// One finished game of the score history.
struct Scores {
  int64_t Score = 0;
  // Seconds in the game's calendar of 12 months of 31 days.
  int64_t Timestamp = 0;
  // Badge b is bit b - 1.
  int32_t Badges = 0;
  std::string Name;
  // Slots 1 to 30 used.
  std::array<int32_t, 31> Best{};
  int32_t Level = 0;
  int32_t GameMode = 0;
  int32_t GameFlags = 0;
  // 1 when the game was quit from the pause menu.
  int32_t Quit = 0;

  // Newest first: negative when this record is newer than `other`, positive
  // when older, 0 for equal stamps. The stamps are compared whole, so stamps
  // however far apart (a damaged stamp of 0 among real ones) keep one order.
  int Compare(const Scores& other) const {
    if (Timestamp > other.Timestamp) return -1;
    if (Timestamp < other.Timestamp) return 1;
    return 0;
  }
  // No record at all sorts after every record.
  int Compare(const Scores* other) const { return other ? Compare(*other) : 1; }
};

// One comment of the on-screen ticker. No ordering: a record equals only itself.
struct ment {
  // Calls of the frame pump since the comment was added.
  int32_t tick = 0;
  std::string txt;
  // Colour code given when the comment was added.
  int32_t c = 0;
};

// One floating score popup. No ordering.
struct ore {
  int32_t n = 0;
  float x = 0.0f;
  float y = 0.0f;
  // Frames left to live.
  int32_t t = 0;
  int32_t r = 0;
  int32_t g = 0;
  int32_t b = 0;
};
