#include "game/editor_place.h"

void EditPlace() {}
