// Physical keys to the game's key codes (see input.h). Keys are given by their
// USB keyboard usage number, which is also the window system's scancode
// numbering; 0 for keys the game has no code for.
#pragma once

int KeyCodeFromScancode(int scancode);
