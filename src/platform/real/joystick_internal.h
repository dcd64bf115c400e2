// What the real backend's joystick ports offer beyond the game's interface.
#pragma once

// For tests that share one process: the joysticks found are closed and
// forgotten, so the next call looks for devices again as at start. Call it
// while SDL's joystick subsystem is still up, or after SDL quit (which closed
// them already).
void JoysticksStartOver();
