// Input codes and control bindings. One integer names one physical input:
// 10..254 a keyboard key, 300..499 a joystick input (250 + 50 * stick + part:
// parts 0..11 axis halves, 20/23/25/28 hat directions, 30..49 buttons 0..19).
#pragma once

#include <cstdint>

// First and last joystick input codes.
constexpr int32_t kFirstStickCode = 300;
constexpr int32_t kLastStickCode = 499;

// 1 while the input the code names is active, else 0.
int32_t key(int32_t code);
// key of the code bound to `action` (0..19) of `player` (1..4).
int32_t PlayKey(int32_t action, int32_t player);
// While held (a game in progress), the first PlayKey of a binding in a frame
// stands for that binding until the frame pump ends the frame, so every rule
// of a frame sees one state of each control, whatever events arrive while
// the frame runs. Off, PlayKey reads the input afresh at every call.
void HoldControls(bool on);
// The frame pump's end of a frame: held controls are read afresh from here.
void NextControlFrame();
// The code of the first active input (keys by code, then sticks by number:
// axes, hat, buttons 0..18), or 0 when none is active or F11/F12 is held.
int32_t GetKey();
