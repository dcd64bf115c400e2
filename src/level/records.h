// The level model's records: a trail dot of the map screen, a level file's
// header, a room, and a moving thing; and the room cell index.
//
// Records hold data only. They are shared through std::shared_ptr (a list
// entry, `ThisRoom`, `pla`) and live while anything refers to them. Only
// `game` has an ordering; the others compare by identity in lists.
#pragma once

#include <array>
#include <cstdint>
#include <string>

// One dot of the buggy's trail on the map screen.
struct ve {
  int32_t x = 0;
  int32_t y = 0;
  int32_t ang = 0;
};

// The header of one level file.
struct game {
  std::string name;    // file name in the levels folder
  std::string Title;   // sort key
  std::string author;
  int32_t SX = 0;      // start point on the map picture
  int32_t SY = 0;
  int32_t EX = 0;      // end point on the map picture
  int32_t EY = 0;
  std::array<std::string, 100> Story;  // lines at 1..99; 0 stays empty
  int32_t store = 0;   // story lines counted, may exceed 99

  // 1 when `other` sorts strictly before this record by title (ordinal,
  // case-sensitive), else 0; never negative.
  int32_t Compare(const game& other) const;
  // A missing record sorts first.
  int32_t Compare(const game* other) const;
};

constexpr int kRoomCells = 200;

// One room of the loaded level.
struct layout {
  int32_t roomx = 0;     // grid column
  int32_t roomy = 0;     // grid row; a fall out of the bottom leads to roomy + 1
  int32_t offTop = 0;    // random per load, not saved
  int32_t offBot = 0;
  int32_t StyleTop = 0;  // style of the top half (backdrop and terrain strip)
  int32_t StyleBot = 0;
  int32_t BGTop = 0;     // backdrop frame of the top half
  int32_t BGBot = 0;
  std::string title;
  std::array<int32_t, kRoomCells> obj{};      // live cells, changed by play
  std::array<int32_t, kRoomCells> objEdit{};  // editor cells, what the file keeps
};

// One moving thing: the player, a shot, a turret shot or a creature.
struct ect {
  int32_t oID = 0;    // spawning cell of a creature
  int32_t x = 0;      // 0..184 within the room
  int32_t y = 0;      // offset from the resting line of its half
  int32_t layer = 0;  // 2 top half, 4 bottom half
  int32_t gx = 0;     // step per step tick
  int32_t roomx = 0;
  int32_t roomy = 0;
  int32_t stp = 0;
  int32_t anim = 0;
  int32_t jump = 0;   // jump phase in degrees, 0 on the ground
  int32_t jumpx = 0;
  int32_t d = 0;      // facing: 1 right, -1 left
  std::array<int32_t, 20> inv{};    // keys carried
  std::array<int32_t, 360> ammo{};  // 0 empty, 1 or 2 ammunition kind
  int32_t t = 0;      // what it is: 0 player, 64..69 shots, 70 turret shot, 160..255 creature
  int32_t dead = 0;
  int32_t tick = 0;
  int32_t tickreset = 0;
  int32_t fire = 0;
  int32_t firepower = 0;
  int32_t health = 0;
  int32_t score = 0;
};

// Room cells: two halves (0 top, 1 bottom) of four layers, each layer a row of
// 25 slots of which columns 0..22 are the room's 23 columns of 8 pixels.
constexpr int32_t kRoomColumns = 23;
constexpr int32_t kCellWidth = 8;
constexpr int32_t kHalfHeight = 64;
constexpr int32_t kRoomWidth = kRoomColumns * kCellWidth;  // 184

constexpr int32_t RoomCell(int32_t half, int32_t layer, int32_t column) {
  return half * 100 + layer * 25 + column;
}
constexpr int32_t CellHalf(int32_t index) { return index / 100; }
constexpr int32_t CellLayer(int32_t index) { return index % 100 / 25; }
constexpr int32_t CellColumn(int32_t index) { return index % 25; }

// The half a moving thing is in: its `layer` is 2 in the top half, above 2 in
// the bottom half.
constexpr int32_t HalfOfLayer(int32_t layer) { return layer > 2 ? 1 : 0; }
// The `layer` a thing gets in a half.
constexpr int32_t LayerOfHalf(int32_t half) { return half == 0 ? 2 : 4; }
