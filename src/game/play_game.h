// One whole game: the frame loop until the game is over or the player quits
// through the pause menu.
#pragma once

#include <cstdint>

#include "game/level_start.h"

// One frame of play: the frame sections in order, ending with the frame pump.
void PlayFrame();
// Runs a game on Uselevel; returns to the caller (the title screen) when it
// is over.
void PlayGame();
