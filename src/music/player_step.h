// One step of the music generator's pattern player, run once per frame by the
// frame pump. The whole generator is declared in music/generator.h.
#pragma once

#include "music/generator.h"
