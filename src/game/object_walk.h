// Every moving thing of the room takes its turn: it meets the terrain, moves, is drawn and hits or is hit.
#pragma once

// The object walk of one frame: hang steering, then one turn for every entry
// of `objects`, in list order; things outside the player's room only get
// their facing fixed.
void ScanObjects();
// Fills `Here` with the four layer codes of the cell under the global `obj`
// (holes in their edge forms) and lets the player catch a grip there.
void CellProbe();
