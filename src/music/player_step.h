// One step of the music generator's pattern player, run once per frame.
#pragma once

#include <cstdint>

// 1 while a generated song plays; only the song start sets it.
extern int32_t QRDM_Playing;

// Returns at once while no song is playing.
int32_t QRDM_Play();
