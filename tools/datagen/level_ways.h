// Where a player can go in a level: from the start, every place a walk,
// a jump, a fall through a hole or a climb can reach, and every way out of a
// room it finds. Shared by the level maps (to mark the ways between rooms)
// and the pack checker (to find ways into no room), so both tell the same story.
//
// The model is generous on purpose: every gate counts as open (its key may be
// found) and every floor plank as one that gives way, so a way it does not
// find cannot be taken in play. Walls block a half from floor to ceiling, so a
// jump never clears one.
#pragma once

#include <array>
#include <deque>
#include <vector>

namespace levelways {

constexpr int kColumns = 23;
constexpr int kLayers = 4;

// Cell codes the model looks at.
constexpr int kVine = 40, kLadder = 41, kWall = 42, kWallCrawl = 43, kHole = 45, kCrumble = 52;

struct RoomCells {
  int x = 0, y = 0;
  std::array<int, 2 * kLayers * kColumns> code{};  // [half][layer][column]
  int& at(int half, int layer, int column) { return code[size_t((half * kLayers + layer) * kColumns + column)]; }
  int at(int half, int layer, int column) const {
    return code[size_t((half * kLayers + layer) * kColumns + column)];
  }
  bool Any(int half, int column, int a, int b = -1) const {
    for (int l = 0; l < kLayers; ++l) {
      const int c = at(half, l, column);
      if (c == a || (b >= 0 && c == b)) return true;
    }
    return false;
  }
  bool Wall(int half, int column) const { return Any(half, column, kWall, kWallCrawl); }
  bool Hole(int half, int column) const { return Any(half, column, kHole, kCrumble); }
  bool Climb(int half, int column) const { return Any(half, column, kVine, kLadder); }
};

enum class Way { kLeft, kRight, kDown, kUp };

// A way out of a room, taken from `column` of `half` of room number `room`.
struct Exit {
  int room = 0, half = 0, column = 0;
  Way way = Way::kLeft;
  int toX = 0, toY = 0;  // the grid position it leads to
  bool intoRoom = false;
};

struct Ways {
  // reached[room][half * 23 + column]: a player can stand there.
  std::vector<std::array<bool, 2 * kColumns>> reached;
  std::vector<Exit> exits;  // each once, in the order found
};

// The room the game enters at a grid position: the last one listed there; -1 for none.
inline int RoomAt(const std::vector<RoomCells>& rooms, int x, int y) {
  int found = -1;
  for (size_t i = 0; i < rooms.size(); ++i)
    if (rooms[i].x == x && rooms[i].y == y) found = int(i);
  return found;
}

// Explores from the start: room 0,0, top half, column 2.
inline Ways Explore(const std::vector<RoomCells>& rooms) {
  Ways w;
  w.reached.assign(rooms.size(), {});
  std::deque<std::array<int, 3>> todo;
  // A player who walks into a wall column is stopped by it; one who drops or
  // climbs into one is pushed out to either side.
  auto arrive = [&](int room, int half, int column, bool fromAbove) {
    if (room < 0 || column < 0 || column >= kColumns) return;
    const RoomCells& r = rooms[size_t(room)];
    if (r.Wall(half, column)) {
      if (!fromAbove) return;
      for (int c : {column - 1, column + 1})
        if (c >= 0 && c < kColumns && !r.Wall(half, c) && !w.reached[size_t(room)][size_t(half * kColumns + c)]) {
          w.reached[size_t(room)][size_t(half * kColumns + c)] = true;
          todo.push_back({room, half, c});
        }
      return;
    }
    if (w.reached[size_t(room)][size_t(half * kColumns + column)]) return;
    w.reached[size_t(room)][size_t(half * kColumns + column)] = true;
    todo.push_back({room, half, column});
  };
  auto leave = [&](int room, int half, int column, Way way, int toHalf, int toColumn) {
    const RoomCells& r = rooms[size_t(room)];
    Exit e{room, half, column, way, r.x, r.y, false};
    if (way == Way::kLeft) e.toX -= 1;
    if (way == Way::kRight) e.toX += 1;
    if (way == Way::kDown) e.toY += 1;
    if (way == Way::kUp) e.toY -= 1;
    const int to = RoomAt(rooms, e.toX, e.toY);
    e.intoRoom = to >= 0;
    bool seen = false;
    for (const Exit& o : w.exits)
      if (o.room == e.room && o.half == e.half && o.column == e.column && o.way == e.way) seen = true;
    if (!seen) w.exits.push_back(e);
    arrive(to, toHalf, toColumn, way == Way::kDown || way == Way::kUp);
  };
  arrive(RoomAt(rooms, 0, 0), 0, 2, true);
  while (!todo.empty()) {
    const auto [room, half, column] = todo.front();
    todo.pop_front();
    const RoomCells& r = rooms[size_t(room)];
    // Along the half, past holes (a jump clears them) but never through a wall.
    if (column == 0) leave(room, half, column, Way::kLeft, half, kColumns - 1);
    else arrive(room, half, column - 1, false);
    if (column == kColumns - 1) leave(room, half, column, Way::kRight, half, 0);
    else arrive(room, half, column + 1, false);
    if (r.Hole(half, column)) {
      if (half == 0) arrive(room, 1, column, true);
      else leave(room, half, column, Way::kDown, 0, column);
    } else if (r.Climb(half, column)) {
      if (half == 1) arrive(room, 0, column, true);
      else leave(room, half, column, Way::kUp, 1, column);
    }
  }
  return w;
}

}  // namespace levelways
