#include "game/shots_save.h"

void SpawnShot() {}
void CheckDeath() {}
