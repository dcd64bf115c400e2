// What follows the last frame of a game: the last picture held, the player's name asked for and the finished game added to the score history.
#pragma once

void EndOfPlay();

// Adds the game that is over but not yet in the score history (its last
// picture held, or its name being typed) to the history, without saving it;
// nothing when there is none. The name is the one typed so far, or the one
// the entry began with when the player has emptied it. The ways out call it
// before they save, so that a run ended meanwhile keeps the finished game;
// the game is recorded once however many times it is called. It draws and
// waits for nothing.
void RecordGameAwaitingName();
