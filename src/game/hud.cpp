#include "game/hud.h"

void Hud1280() {}
void Hud1600() {}
void Hud1440() {}
