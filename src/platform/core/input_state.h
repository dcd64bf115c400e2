// Keyboard and mouse state shared by the real and the test backend: the held
// keys, the press counts, the typed-character queue and the close request.
// The backends feed it events; input.h answers from it.
#pragma once

namespace inputstate {

constexpr int kMouseButtons = 8;
constexpr int kCharQueue = 256;

// A key went down or up. A key that is already down does not count again, so
// the window system's key repeat adds no presses.
void Key(int code, bool down);
void MouseButton(int button, bool down);
void MouseWheel(int steps);
// Queues a typed character (Latin-1 code 1..255); dropped when the queue is full.
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
// Held keys, buttons, press counts and typed characters go; the close request stays.
void Flush();
// Everything back to the start, the close request and the wheel included.
void Reset();

}  // namespace inputstate
