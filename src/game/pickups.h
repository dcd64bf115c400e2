// Gems, crosses, health, ammunition, mines and keys taken when the player touches them.
#pragma once

// The touch test and the pickups; true when the player touched the cell.
bool CellPickups();
// Mines, keys and explosion damage of a touched cell.
void CellMinesKeys();
// The ceiling sprites, run for every cell whose live code was positive.
void CellCeiling();
