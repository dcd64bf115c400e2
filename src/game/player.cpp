#include "game/player.h"

void PlayerCell() {}
bool PlayerMove() { return false; }
