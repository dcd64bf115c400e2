#include "game/level_end.h"

void LevelEnd() {}
