#include "level/play_globals.h"

std::shared_ptr<ect> pla;
int32_t editmode = 0;
int32_t leveltick = 0;
std::shared_ptr<game> Uselevel;
int32_t n = 0;
