// The room's cells drawn and brought to life, half by half and layer by layer, with the editor's faded copy of each layer in the overview.
#include "game/cell_pass.h"

#include "framework/draw.h"
#include "game/editor_place.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game/live_cells.h"
#include "game/pickups.h"
#include "level/rooms.h"
#include "platform/graphics.h"
#include "startup/globals.h"

namespace {

constexpr int32_t kLastColumn = 22;
constexpr int32_t kLastLayer = 3;
// Where a cell's image stands in its half, in room pixels from the half's top.
constexpr double kSpriteRow = 43.0;
constexpr double kRaisedRow = 11.0;
constexpr int32_t kRaise = 500;

// One cell: control only moves forward through the four sections, and a
// cell that holds nothing alive goes straight to the editor.
void CellBody() {
  LiveCountdown();
  if (ThisRoom->obj[RoomCell(y, playstate.celllayer, x)] > 0) {
    if (LiveCells() && CellPickups()) CellMinesKeys();
    CellCeiling();
  }
  EditPlace();
}

}  // namespace

void DrawCellImage(int32_t code, int32_t column, int32_t half) {
  const double zoom = playstate.zoom;
  const int32_t left = static_cast<int32_t>(playstate.viewx + (column * kCellWidth) * zoom);
  const double top = half * (kHalfHeight * zoom) + playstate.viewy;
  if (code < 80) {
    // A level file may name a style the table has no slot for.
    const int32_t style = playstate.halfstyle;
    if (style >= 1 && style <= kLastStyle) drawimg(BG_bit[style], left, static_cast<int32_t>(top), code, kDrawMain);
  }
  if (code > 80 && code < 500) drawimg(gfx, left, static_cast<int32_t>(top + kSpriteRow * zoom), code, kDrawMain);
  if (code > 580 && code < 1000) {
    drawimg(gfx, left, static_cast<int32_t>(top + kRaisedRow * zoom), code - kRaise, kDrawMain);
  }
}

void DrawEditGhost() {
  SetCol(180, 255, 255, 0.3f);
  const auto& cells = ThisRoom->objEdit;
  for (x = 0; x <= kLastColumn; ++x) {
    const int32_t cell = RoomCell(y, playstate.celllayer, x);
    if (cells[cell] <= 0) continue;
    u = HoleEdgeForm(cells[cell], cells, cell, x);
    DrawCellImage(u, x, y);
  }
  // The layer being edited stands out over its ghost; the others show through.
  SetCol(255, 255, 255, 1.0f);
  if (playstate.celllayer != playstate.editlayer) SetAlpha(0.5f);
}

void CellPass() {
  for (y = 0; y <= 1; ++y) {
    playstate.halfstyle = ThisRoom->StyleTop;
    if (y == 1) playstate.halfstyle = ThisRoom->StyleBot;
    for (playstate.celllayer = 0; playstate.celllayer <= kLastLayer; ++playstate.celllayer) {
      if (playstate.overview == 1) DrawEditGhost();
      for (x = 0; x <= kLastColumn; ++x) CellBody();
    }
  }
  SetAlpha(1.0f);
}
