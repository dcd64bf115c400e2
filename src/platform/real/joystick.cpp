// Joysticks through SDL. The devices are looked for once, at the first call;
// a joystick attached later is not seen until the next start. The device's
// axes 0 to 5 are reported, in this fixed order, as X, Y, Z, U, V and R: most
// pads list their sticks first (left X, left Y, then the right stick or
// triggers), which makes X/Y the main stick whatever else the pad has.
#include "platform/joystick.h"

#include <SDL.h>

#include <vector>

#include "platform/real/joystick_internal.h"

namespace {

constexpr int kMaxPorts = 16;

struct Ports {
  bool scanned = false;
  std::vector<SDL_Joystick*> joys;
};
Ports& P() {
  static Ports p;
  return p;
}

void Scan() {
  auto& p = P();
  if (p.scanned) return;
  p.scanned = true;
  if (SDL_WasInit(SDL_INIT_JOYSTICK) == 0 && SDL_InitSubSystem(SDL_INIT_JOYSTICK) != 0) return;
  int n = SDL_NumJoysticks();
  for (int i = 0; i < n && static_cast<int>(p.joys.size()) < kMaxPorts; ++i) {
    if (SDL_Joystick* j = SDL_JoystickOpen(i)) p.joys.push_back(j);
  }
}

// The joystick on `port` with its state brought up to date, or null.
SDL_Joystick* At(int port) {
  Scan();
  auto& j = P().joys;
  if (port < 0 || port >= static_cast<int>(j.size())) return nullptr;
  SDL_JoystickUpdate();
  return j[port];
}

float Axis(int port, int axis) {
  SDL_Joystick* j = At(port);
  if (!j || axis >= SDL_JoystickNumAxes(j)) return 0.0f;
  // The full raw range maps onto -1..1 with its ends exactly at -1 and 1.
  double raw = SDL_JoystickGetAxis(j, axis);
  return static_cast<float>(((raw + 32768.0) / 65535.0 - 0.5) * 2.0);
}

}  // namespace

void JoysticksStartOver() {
  auto& p = P();
  // Once SDL quit, the handles went with it.
  if (SDL_WasInit(SDL_INIT_JOYSTICK) != 0)
    for (SDL_Joystick* j : p.joys) SDL_JoystickClose(j);
  p = Ports();
}

int JoyCount() {
  Scan();
  return static_cast<int>(P().joys.size());
}

std::string JoyName(int port) {
  Scan();
  auto& j = P().joys;
  if (port < 0 || port >= static_cast<int>(j.size())) return "";
  const char* name = SDL_JoystickName(j[port]);
  return name ? name : "Joystick";
}

int JoyButtonCaps(int port) {
  Scan();
  auto& j = P().joys;
  if (port < 0 || port >= static_cast<int>(j.size())) return 0;
  int n = SDL_JoystickNumButtons(j[port]);
  if (n <= 0) return 0;
  uint32_t mask = n >= 32 ? 0xFFFFFFFFu : (1u << n) - 1u;
  return static_cast<int>(mask);
}

int JoyDown(int button, int port) {
  SDL_Joystick* j = At(port);
  if (!j || button < 0 || button >= SDL_JoystickNumButtons(j)) return 0;
  return SDL_JoystickGetButton(j, button) ? 1 : 0;
}

float JoyX(int port) { return Axis(port, 0); }
float JoyY(int port) { return Axis(port, 1); }
float JoyZ(int port) { return Axis(port, 2); }
float JoyU(int port) { return Axis(port, 3); }
float JoyV(int port) { return Axis(port, 4); }
float JoyR(int port) { return Axis(port, 5); }

float JoyHat(int port) {
  SDL_Joystick* j = At(port);
  if (!j || SDL_JoystickNumHats(j) < 1) return 0.0f;
  switch (SDL_JoystickGetHat(j, 0)) {
    case SDL_HAT_UP: return 0.0f;
    case SDL_HAT_RIGHTUP: return 0.125f;
    case SDL_HAT_RIGHT: return 0.25f;
    case SDL_HAT_RIGHTDOWN: return 0.375f;
    case SDL_HAT_DOWN: return 0.5f;
    case SDL_HAT_LEFTDOWN: return 0.625f;
    case SDL_HAT_LEFT: return 0.75f;
    case SDL_HAT_LEFTUP: return 0.875f;
    default: return -1.0f;
  }
}
