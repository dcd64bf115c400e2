// Keyboard and mouse state shared by the real and the test backend: the held
// keys, the press counts, the typed-character queue and the close request.
// The backends feed it events; input.h answers from it.
#pragma once

namespace inputstate {

constexpr int kMouseButtons = 8;
constexpr int kCharQueue = 256;

// A key went down or up. A key that is already down does not count again.
// Code 0 names no key (one the game has no code for): it is never down, but
// its going down still ends the typing of the key before it.
void Key(int code, bool down);
// The window system repeats a held key: no press is counted, but the
// characters that follow are this key's again.
void KeyRepeat(int code);
void MouseButton(int button, bool down);
void MouseWheel(int steps);
// Queues a typed character (Latin-1 code 1..255); dropped when the queue is
// full, or when it is typed by a key that was held at the last FlushKeys and
// has not been let go since.
void Char(int code);
void CloseRequest();
// A close request sent by the system (a termination signal), not the player.
void SystemCloseRequest();

int KeyDown(int code);
int KeyHit(int code);
int MouseDown(int button);
int MouseHit(int button);
int Wheel();
int NextChar();
int TakeCloseRequest();
// 1 from the first system close request on; only Reset clears it.
int SystemClose();
// Held keys, key presses and typed characters go; the mouse stays. A key
// that is held down now types nothing, repeats included, until it has been
// let go and pressed again: typing starts here, and a key held over from
// before (Fire held while the player died) must not type into it.
void FlushKeys();
// Everything the window system may not report any more (the window lost or
// gained the focus): keys, buttons, presses and typed characters go; the
// close request stays.
void Flush();
// Everything back to the start, the close request and the wheel included.
void Reset();

}  // namespace inputstate
