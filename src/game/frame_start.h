// The start of every frame of the game loop: a cleared screen with fresh draw
// budgets, the editor's player held at full health and no score, the level
// clock, the entry into the player's room when one was asked for, the room's
// place and scale on the screen, the editor's overview zoom and the backdrop.
#pragma once

// The steps in frame order; FrameStart runs them all.
void FrameHead();     // clear, editor reset, level clock, room entry
void RoomOrigin();    // viewx, viewy from basex, basey and the zoom before easing
void OverviewZoom();  // Space toggles the editor's overview; the zoom eases toward its target
void RoomScale();     // draw state reset, scale = zoom
void DrawBackdrop();  // the two halves' backdrop strips, three copies each
void FrameStart();
