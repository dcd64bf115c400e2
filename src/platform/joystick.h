// Joysticks, read on demand: every axis, hat and button query reads the
// device's state at the moment of the call. Ports count from 0.
#pragma once

#include <string>

// Number of joysticks found, at most 16 (devices are looked for at the first
// call; one attached later is not seen until the next start).
int JoyCount();
// The name to show for the joystick on `port`, "" for no such port.
std::string JoyName(int port = 0);
// Bit b set when the joystick has button b (0..31); 0 for no such port.
int JoyButtonCaps(int port = 0);
// 1 while button `button` (0-based) is held, else 0.
int JoyDown(int button, int port = 0);
// Axis positions from -1 to 1; 0 for an axis the joystick lacks. The device's
// axes 0..5 are, in this order, X, Y, Z, U, V and R.
float JoyX(int port = 0);
float JoyY(int port = 0);
float JoyZ(int port = 0);
float JoyU(int port = 0);
float JoyV(int port = 0);
float JoyR(int port = 0);
// The hat as a fraction of a clockwise turn from up, in eighths (0 up, 0.25
// right, 0.5 down, 0.75 left); -1 while centred; 0 for a joystick without a hat.
float JoyHat(int port = 0);
