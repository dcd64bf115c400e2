// What the player takes by touching a cell's sprite: the touch test against
// the player as last drawn, touch damage, gems, the cross that completes the
// level, health, two kinds of ammunition, mines, keys, and the hurt of an
// explosion's last stages. The cell is the cell pass's `x`, `y`,
// `celllayer`, with its code in `u`.
#pragma once

#include <cstdint>

// Up to 12 empty ammunition slots of the player, lowest first, get `kind`.
void AddAmmo(int32_t kind);
// The touch test; on a touch the damage, gem, cross, health and ammunition
// steps. True when the player touched the cell.
bool CellPickups();
// Mines, keys and explosion damage of a touched cell.
void CellMinesKeys();
// The raised sprites (codes 581..999), run for every cell whose live code was positive.
void CellCeiling();
