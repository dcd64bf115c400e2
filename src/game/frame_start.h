// The head of every frame of the game loop: a cleared screen with fresh draw
// budgets, the editor's player held at full health and no score, the level
// clock, and the entry into the player's room when one was asked for.
#pragma once

void FrameStart();
