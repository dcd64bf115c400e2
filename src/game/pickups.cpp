#include "game/pickups.h"

bool CellPickups() { return false; }
void CellMinesKeys() {}
void CellCeiling() {}
