// Shots hit creatures and score, turret shots and creatures hurt the player, and spent shots are gone.
#pragma once

// The end of the global `obj`'s turn: a player's shot against the creatures,
// a turret shot against the player, the thing's touch on the player, then the
// removal of a thing marked `spent`.
void ObjectHits();
