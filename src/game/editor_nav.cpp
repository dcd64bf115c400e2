#include "game/editor_nav.h"

bool EditNav() { return false; }
