// The cell pass: every cell of the current room once a frame, top half then
// bottom half, layers 0 to 3, columns 0 to 22, through the live cells, the
// pickups, the mines and keys and the editor's placing. In the editor's
// overview each layer starts with its faded copy from the editor's cells.
#pragma once

#include <cstdint>

// One cell code as an image at column `column` of half `half` of the room
// view: codes below 80 as the half's terrain strip (from `halfstyle`), 81 to
// 499 as a sprite standing low in the half, 581 to 999 as sprite code - 500
// raised; any other code draws nothing.
void DrawCellImage(int32_t code, int32_t column, int32_t half);
// The editor's cells of the layer being passed (half `y`, `celllayer`),
// faint and tinted; then the colour and alpha the layer's live cells take.
void DrawEditGhost();
void CellPass();
