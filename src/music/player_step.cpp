#include "music/player_step.h"

int32_t QRDM_Playing = 0;

int32_t QRDM_Play() {
  if (QRDM_Playing == 0) return 0;
  return 0;
}
