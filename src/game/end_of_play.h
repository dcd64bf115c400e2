// What follows the last frame of a game: the last picture held, the player's name asked for and the finished game added to the score history.
#pragma once

void EndOfPlay();
