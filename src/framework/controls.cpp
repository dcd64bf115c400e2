#include "framework/controls.h"

#include <array>
#include <tuple>

#include "framework/globals.h"
#include "platform/input.h"
#include "platform/joystick.h"
#include "startup/globals.h"

namespace {

constexpr float kAxisDeadZone = 0.3f;

// Readings of the bindings in the current frame: -1 not read yet.
struct HeldControls {
  bool on = false;
  std::array<int8_t, std::tuple_size_v<decltype(KeyV)>> reading{};
};
HeldControls& Held() {
  static HeldControls h;
  return h;
}
constexpr int32_t kMaxBindableButton = 18;

float AxisNow(int32_t axis, int port) {
  switch (axis) {
    case 0: return JoyY(port);
    case 1: return JoyX(port);
    case 2: return JoyZ(port);
    case 3: return JoyU(port);
    case 4: return JoyV(port);
    default: return JoyR(port);
  }
}

float AxisRest(int32_t axis, int32_t stick) {
  switch (axis) {
    case 0: return StickY[stick];
    case 1: return StickX[stick];
    case 2: return StickZ[stick];
    case 3: return StickU[stick];
    case 4: return StickV[stick];
    default: return StickR[stick];
  }
}

// Parts 0..11: the negative then the positive half of Y, X, Z, U, V, R.
bool AxisActive(int32_t stick, int32_t part) {
  const int32_t axis = part / 2;
  const float now = AxisNow(axis, stick - 1);
  const float rest = AxisRest(axis, stick);
  if (part % 2 == 0) return now < rest - kAxisDeadZone;
  return now > rest + kAxisDeadZone;
}

bool HatActive(float h, int32_t part) {
  switch (part) {
    case 20: return h >= 0.0f && (h > 0.8f || h < 0.2f);
    case 25: return h > 0.1f && h < 0.4f;
    case 28: return h > 0.3f && h < 0.7f;
    case 23: return h > 0.6f && h < 0.9f;
    default: return false;
  }
}

}  // namespace

int32_t key(int32_t code) {
  if (code > 9 && code < 255 && KeyDown(code)) return 1;
  // Codes past the fourth stick (a hand-edited settings file can hold one)
  // name nothing.
  if (code < kFirstStickCode || code > kLastStickCode) return 0;
  const int32_t stick = code / 50 - 5;
  const int32_t part = code % 50;
  if (StickOn[stick] == 0) return 0;
  if (part <= 11) return AxisActive(stick, part) ? 1 : 0;
  if (part == 20 || part == 23 || part == 25 || part == 28) {
    if (StickHat[stick] != 1) return 0;
    return HatActive(JoyHat(stick - 1), part) ? 1 : 0;
  }
  if (part >= 30) return JoyDown(part - 30, stick - 1) ? 1 : 0;
  return 0;
}

int32_t PlayKey(int32_t action, int32_t player) {
  const int32_t slot = (player - 1) * 20 + action;
  if (slot < 0 || slot >= static_cast<int32_t>(KeyV.size())) return 0;
  HeldControls& held = Held();
  if (!held.on) return key(KeyV[slot]);
  if (held.reading[slot] < 0) held.reading[slot] = static_cast<int8_t>(key(KeyV[slot]));
  return held.reading[slot];
}

void HoldControls(bool on) {
  Held().on = on;
  NextControlFrame();
}

void NextControlFrame() { Held().reading.fill(-1); }

int32_t GetKey() {
  if (KeyDown(122) || KeyDown(123)) return 0;
  for (fr = 1; fr <= 255; ++fr) {
    if (KeyDown(fr)) return fr;
  }
  const int32_t sticks = StickCount < 4 ? StickCount : 4;
  for (fh = 1; fh <= sticks; ++fh) {
    if (StickOn[fh] == 0) continue;
    fg = 250 + 50 * fh;
    for (int32_t part = 0; part <= 11; ++part) {
      if (AxisActive(fh, part)) return fg + part;
    }
    if (StickHat[fh] == 1) {
      const float h = JoyHat(fh - 1);
      if (h == 0.0f) return fg + 20;
      if (h == 0.25f) return fg + 25;
      if (h == 0.5f) return fg + 28;
      if (h == 0.75f) return fg + 23;
    }
    // Only buttons the stick has, and only those that have a code of their own.
    const uint32_t mask = static_cast<uint32_t>(StickBut[fh]);
    for (fr = 0; fr <= kMaxBindableButton; ++fr) {
      if ((mask >> fr & 1u) && JoyDown(fr, fh - 1)) return fg + 30 + fr;
    }
  }
  return 0;
}
