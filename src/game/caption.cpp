#include "game/caption.h"

void Caption() {}
