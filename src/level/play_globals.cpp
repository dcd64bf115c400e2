// The game-wide globals that the level model reads and writes are defined
// here, beside it, so that the level reader links on its own (its fuzzing
// harness builds it without the game loop). Their owners' headers declare
// them.
#include "level/play_globals.h"

std::shared_ptr<ect> pla;
int32_t editmode = 0;
int32_t leveltick = 0;
std::shared_ptr<game> Uselevel;
int32_t n = 0;
