// The level-complete and game-over screens, the move to the next level and the end of play.
#pragma once

void LevelEnd();
