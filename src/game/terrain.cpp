#include "game/terrain.h"

#include "game/game_state.h"
#include "startup/globals.h"

namespace {

constexpr int32_t VINE = 40, LADDER = 41, WALL = 42, WALL_CRAWL = 43;
constexpr int32_t HOLE_LEFT = 44, HOLE = 45, HOLE_RIGHT = 46;
constexpr int32_t GATE_YELLOW = 48, GATE_BLUE = 51;

}  // namespace

int32_t Hole(int32_t x) {
  // Truncated remainder: -7..-1 for things just past the left border.
  const int32_t within = x % 8;
  int32_t result = 0;
  for (n = 0; n <= 3; ++n) {
    const int32_t code = Here[n];
    if ((code == HOLE_LEFT && within > 2) || code == HOLE || (code == HOLE_RIGHT && within < 5)) result = 1;
  }
  return result;
}

int32_t Climb() {
  int32_t result = 0;
  for (n = 0; n <= 3; ++n) {
    if (Here[n] == VINE || Here[n] == LADDER) result = 1;
  }
  return result;
}

int32_t Solid() {
  int32_t result = 0;
  for (n = 0; n <= 3; ++n) {
    const int32_t code = Here[n];
    if (code == WALL || code == WALL_CRAWL || (code >= GATE_YELLOW && code <= GATE_BLUE)) result = 1;
  }
  return result;
}

int32_t Thrown(int32_t t) { return t > 63 && t < 96 ? 1 : 0; }
