// The player's own level is written to its file once both mouse buttons are up after an edit.
#pragma once

void AutoSave();
