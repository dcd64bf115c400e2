// The level-complete and game-over screens, the move to the next level and the end of play.
#pragma once

#include <cstdint>
#include <memory>

#include "level/records.h"

// The last section of a frame while a level has ended: the banner, the
// bonus count-up of a completed level, and 120 frames in, the decision to go
// on with the next level (loaded here, map screen included) or to end the
// game.
void LevelEnd();
// The next level of the pack for a game started on the entry at `start`
// (counted over every entry) after `steps` levels: the steps-th entry after
// the start that is not the player's own level; null when there is none.
std::shared_ptr<game> NextLevelAfter(int32_t start, int32_t steps);
