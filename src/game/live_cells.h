// The live cells of the room being passed: explosions counting down, turrets
// firing, floors crumbling under the player, gates opening to their keys, and
// each cell drawn as terrain or sprite. The cell is the cell pass's `x`, `y`
// and `celllayer`; `u` carries its code on to the pickups.
#pragma once

#include <array>
#include <cstdint>

#include "level/records.h"

// `code` as it is drawn: a hole (45) becomes 44 at the left end of a run of
// holes and 46 at the right end, the run read from `cells` in the same half
// and layer (`cell` is the index of the code's cell, `column` its column);
// any other code stays as it is.
int32_t HoleEdgeForm(int32_t code, const std::array<int32_t, kRoomCells>& cells, int32_t cell, int32_t column);
// Codes drawn as sprites by the live cells, and so touch-tested: 81..159 and
// 256..499.
bool IsCellSprite(int32_t code);

// The explosion countdown, run on every cell of the pass.
void LiveCountdown();
// The rest of the live-cell work for a cell whose live code is above 0; sets
// `u`; true when it drew the cell as a sprite.
bool LiveCells();
