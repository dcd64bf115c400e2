// The player reads the cell under it and the held controls move it, make it crouch, turn, walk, jump, climb and fire.
#pragma once

// The cell under the player and its tile tests, every frame.
void PlayerCell();
// The player's controls while the control gate is open; true when the
// fire control fired in this frame.
bool PlayerMove();
