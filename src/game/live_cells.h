// Explosions counting down, turrets firing, floors crumbling, gates opening and every room cell drawn.
#pragma once

// The explosion countdown, run on every cell of the pass.
void LiveCountdown();
// The rest of the live-cell work for a cell whose live code is above 0;
// true when it drew the cell as a sprite (the pickup ranges).
bool LiveCells();
