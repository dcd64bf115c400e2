// Polled keyboard and mouse. The queries answer from the state that the last
// PollInput left: the window system's events are fetched once a frame, by the
// frame pump, so that every part of a frame sees the same input and a press
// counted for one reader cannot arrive halfway through the frame and be taken
// by another. A loop that waits on input without running frames calls
// PollInput on every pass.
//
// Keys are numbered by the game's key codes: 8 Backspace, 9 Tab, 12 Clear,
// 13 Return (both Enter keys), 19 Pause, 20 CapsLock, 27 Escape, 32 Space,
// 33..36 Page Up, Page Down, End, Home, 37..40 the arrows Left, Up, Right,
// Down, 41 Select, 43 Execute, 44 Print Screen, 45 Insert, 46 Delete,
// 48..57 the digits, 65..90 the letters, 91/92 the system keys, 96..105 the
// keypad digits, 106 * 107 + 109 - 110 . 111 / on the keypad, 112..123 F1..F12,
// 144 NumLock, 145 ScrollLock, 160..165 left/right Shift, Control and Alt (each
// side has its own code; none stands for "either side"), 173..175 Mute,
// Volume Down, Volume Up, 186..192 ; = , - . / ' and 219..223 [ \ ] # `,
// 226 the extra backslash key of wide keyboards.
// Mouse buttons: 1 left, 2 right, 3 middle.
#pragma once

// Highest key code plus one; codes outside 0..KEY_CODE_COUNT-1 are never down.
constexpr int KEY_CODE_COUNT = 256;

// Fetches the window system's pending events (keys, buttons, pointer, typed
// characters, close requests) into the state the queries answer from.
void PollInput();

// 1 while the key is held, else 0.
int KeyDown(int key);
// Presses of the key since the previous KeyHit of that key or the last
// FlushKeys; the count goes back to 0. A held key counts once (no repeat).
int KeyHit(int key);
// 1 while the mouse button is held, else 0.
int MouseDown(int button);
// Presses of the mouse button since its previous MouseHit or FlushKeys.
int MouseHit(int button);
// The oldest typed character not yet read (Latin-1 code), 0 when none. The
// queue holds 256 characters. Backspace gives 8, Tab 9, Return 13, Escape 27;
// Delete, the cursor keys and the function keys give none.
int GetChar();
// Fetches the pending events, then forgets the held keys, the key presses and
// the typed characters; the mouse buttons and their presses stay. A key held
// down at the flush types nothing, repeats included, until it has been let go
// and pressed again.
void FlushKeys();
// 1 once for each close request of the window (which stays open), else 0.
int AppTerminate();
// 1 once the system has asked the program to end (a termination, interrupt or
// hang-up signal), which also counts as a close request; stays 1 from then on.
// Asked on the way out, it fetches the pending events first.
int AppSystemQuit();

// The pointer in units of the virtual screen (points beside the letterboxed
// screen map outside 0..width/height).
float VirtualMouseX();
float VirtualMouseY();
// Puts the pointer at a point of the virtual screen.
void MoveVirtualMouse(float x, float y);
// Wheel position: steps turned since the start, away from the user positive.
int MouseZ();
// The system pointer over the window.
void HideMouse();
void ShowMouse();
