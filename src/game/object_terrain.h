// Things bump off walls, the player falls through holes and walks into the next room, shots die at walls and room edges, and creatures shot often enough die.
#pragma once

// The terrain's say in the turn of the global `obj`, read from `Here` as the
// cell probe left it: wall bump, fall through a hole, the room's left and
// right edges, and the creature deaths.
void ObjectTerrain();
