// The player's own level is written to its file once both mouse buttons are up after an edit.
#pragma once

void AutoSave();
// Writes edits of the player's own level that the autosave has not written
// yet; the game's end and the farewell call it so that none are lost.
void SaveUnsavedEdits();
