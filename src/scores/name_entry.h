// The name entry after every game: the player edits MyName and confirms it
// with Enter, Esc or a click anywhere.
#pragma once

// Runs its own frame loop until the player confirms, then reseeds the random
// generator from the clock. The caller leaves play first (InGame 0) so that
// Esc confirms here instead of opening the pause menu. Characters below 32,
// "|" (the history file's field separator) and codes above 255 (which the
// file cannot hold) are not taken into the name. It waits for the confirming
// controls to come up before and after; a close request or termination signal
// during the last wait ends it, and is left for the next frame to answer, so
// the caller can record the named game first.
void GetPlayerName();
