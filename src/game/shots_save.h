// The player's shot leaves the gun, black bars frame the zoomed-out room and the game is lost when health runs out.
#pragma once

// Turns the firing slot's ammunition into a shot at the front of `objects`.
void SpawnShot();
// The letterbox of the zoomed view, then the death check.
void CheckDeath();
