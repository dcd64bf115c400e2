// A game's start and every next level: the player put back at the start, the level loaded and its map screen shown.
#pragma once

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
