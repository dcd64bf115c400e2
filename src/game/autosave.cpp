#include "game/autosave.h"

void AutoSave() {}
