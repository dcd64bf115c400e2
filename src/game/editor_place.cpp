#include "game/editor_place.h"

#include <cstdint>

#include "framework/draw.h"
#include "framework/utils.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "level/rooms.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "startup/globals.h"

namespace {

constexpr int32_t kTerrainCodes = 80;
constexpr int32_t kSpriteLimit = 500;
constexpr int32_t kSpriteRow = 43;
constexpr int32_t kLastStyle = 99;

// The cell box of column `x` in half `y`; the four layers share it.
bool PointerInCell() {
  const float zoom = playstate.zoom;
  const int32_t left = playstate.viewx + static_cast<int32_t>(static_cast<double>(x * 8) * zoom);
  const int32_t top = playstate.viewy + static_cast<int32_t>(static_cast<double>(y * 64) * zoom);
  const int32_t width = static_cast<int32_t>(8.0 * zoom);
  const int32_t height = static_cast<int32_t>(64.0 * zoom);
  return Mousein(left, top, width, height) != 0;
}

// The chosen item, translucent, where the room itself would draw it.
void Preview() {
  SetAlpha(0.75f);
  const double zoom = playstate.zoom;
  const int32_t item = playstate.edititem;
  const int32_t left = static_cast<int32_t>(playstate.viewx + x * 8 * zoom);
  const double top = playstate.viewy + y * 64 * zoom;
  if (item < kTerrainCodes) {
    // A style number a level file could hold past the table draws nothing.
    const int32_t style = playstate.halfstyle;
    if (style >= 1 && style <= kLastStyle) drawimg(BG_bit[style], left, static_cast<int32_t>(top), item, kDrawMain);
  }
  if (item > kTerrainCodes && item < kSpriteLimit) {
    drawimg(gfx, left, static_cast<int32_t>(top + kSpriteRow * zoom), item, kDrawMain);
  }
}

void Write(int32_t code) {
  const int32_t cell = RoomCell(y, playstate.celllayer, x);
  ThisRoom->obj[cell] = code;
  ThisRoom->objEdit[cell] = code;
  playstate.unsaved = 1;
}

}  // namespace

void EditPlace() {
  if (!PointerInCell()) return;
  if (playstate.overview != 1) return;
  if (playstate.editlayer != playstate.celllayer) return;
  // Hovering over a grid position without a room makes the room there.
  if (ThisRoom == EmptyRoom) AddaRoom();
  Preview();
  SetAlpha(1.0f);
  // Both buttons held: placed, then erased; the cell ends empty.
  if (MouseDown(1) != 0) Write(playstate.edititem);
  if (MouseDown(2) != 0) Write(0);
}
