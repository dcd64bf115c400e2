#include "game/editor_palette.h"

void EditPalette() {}
