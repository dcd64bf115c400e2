#include "game/cell_pass.h"

#include "game/editor_place.h"
#include "game/game_state.h"
#include "game/live_cells.h"
#include "game/pickups.h"
#include "level/rooms.h"
#include "platform/graphics.h"

namespace {

constexpr int32_t kLastColumn = 22;
constexpr int32_t kLastLayer = 3;

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

void CellPass() {
  for (y = 0; y <= 1; ++y) {
    playstate.halfstyle = y == 0 ? ThisRoom->StyleTop : ThisRoom->StyleBot;
    for (playstate.celllayer = 0; playstate.celllayer <= kLastLayer; ++playstate.celllayer) {
      for (x = 0; x <= kLastColumn; ++x) CellBody();
    }
  }
  SetAlpha(1.0f);
}
