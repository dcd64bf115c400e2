// One whole game: the set-up, then the frame loop until the game is over or
// the player quits through the pause menu.
#pragma once

#include <cstdint>

// The level's clock, badges and best values start afresh.
void ResetLevelCounters();
// The player back at the left of the start room with full health, the
// starting ammunition and no keys; its score and facing carry over.
void PutPlayerAtStart();
// Loads Uselevel, shows its map screen and sets the view and the editor up
// for its first frame.
void StartLevel();
// Clears the per-game values, creates the player, loads Uselevel's rooms,
// shows the map screen, decides the editor mode and gives `playstate` its
// starting values.
void SetupGame();
// One frame of play: the frame sections in order, ending with the frame pump.
void PlayFrame();
// Runs a game on Uselevel; returns to the caller (the title screen) when it
// is over.
void PlayGame();
