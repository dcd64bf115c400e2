// Creatures walk and die in pictures, spikes light up as their sweep passes, the player stands, walks, crouches, climbs, drops, hangs and jumps, and every moving thing is drawn.
#pragma once

// The animation of the global `obj` in its turn: its frame in
// `playstate.drawframe` (and the player's in `plaframe`), the player's slide
// after a climb or a drop, its step and jump arc, and its drawing, which
// leaves its screen position in `objscrx`/`objscry` (the player's also in
// `plascreenx`/`plascreeny`).
void AnimateObjects();
