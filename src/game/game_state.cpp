#include "game/game_state.h"

// pla, editmode, leveltick and n are defined with the level model
// (level/play_globals.cpp).
int32_t score = 0;
int32_t endoflevel = 0;
int32_t endotick = 0;
PlayState playstate;
int32_t x = 0;
int32_t y = 0;
int32_t u = 0;
std::shared_ptr<ect> obj;
std::string txt;
int32_t h = 0;
