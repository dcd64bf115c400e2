#include "game/editor_style.h"

void EditStyle() {}
