// Globals of the game set-up, the frame start and the title screen that the
// level model reads and writes. They are declared here only until those
// parts of the game give them their own home.
#pragma once

#include <cstdint>
#include <memory>

#include "level/records.h"

// The player's record; in `objects` from the game's set-up on.
extern std::shared_ptr<ect> pla;
// 1 while the player's own level is played with the editor.
extern int32_t editmode;
// The level's frame counter, 0..239.
extern int32_t leveltick;
// The chosen level pack.
extern std::shared_ptr<game> Uselevel;
// Scratch counter shared by the game loop's routines; room entry leaves it alone.
extern int32_t n;
