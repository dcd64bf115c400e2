// What follows the last frame of a game: the last picture held, the player's name asked for and the finished game added to the score history.
#pragma once

void EndOfPlay();

// The game in progress is over from now on, though frames of it still run
// (the banner of a death or of the last cross, a map screen fading out after
// Quit): a way out taken before its end of play records it as it stands
// then, with the score the player has made so far. `quit` when the player
// chose Quit, which a later mark can still add; the rest of the first mark
// holds.
void GameOver(bool quit);
// A game starts: none is over, whatever an earlier one left unrecorded.
void GameStarts();

// Adds the game that is over but not yet in the score history (its last
// frames running, its last picture held, or its name being typed) to the
// history, without saving it; nothing when there is none. The name is the
// one in the entry as it stands, empty included, as Enter would record it;
// before the entry it is the one the entry begins with. The ways out call it
// before they save, so that a run ended meanwhile keeps the finished game;
// the game is recorded once however many times it is called. It draws and
// waits for nothing.
void RecordGameAwaitingName();
