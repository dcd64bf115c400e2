#include "game/object_walk.h"

void ScanObjects() {}
