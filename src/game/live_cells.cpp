#include "game/live_cells.h"

void LiveCountdown() {}
bool LiveCells() { return false; }
