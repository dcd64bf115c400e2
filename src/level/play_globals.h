// The game-wide globals the level model reads and writes, gathered from their
// owners: the player, the editor switch, the level clock and the chosen level.
#pragma once

#include "game/game_state.h"
#include "level/level_browser.h"
