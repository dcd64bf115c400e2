#include "platform/core/input_state.h"

#include <array>
#include <deque>

#include "platform/input.h"

namespace inputstate {
namespace {
struct State {
  // As the game sees the keys: FlushKeys lets go of them.
  std::array<bool, KEY_CODE_COUNT> down{};
  std::array<int, KEY_CODE_COUNT> hits{};
  // As the keyboard holds them, whatever was flushed.
  std::array<bool, KEY_CODE_COUNT> held{};
  // Held at the last FlushKeys and not let go since: such a key types nothing.
  std::array<bool, KEY_CODE_COUNT> mute{};
  // The key whose characters arrive now: the last one that went down or
  // repeated (the window system sends a key's characters after the key), or
  // 0 when none is known.
  int typing = 0;
  std::array<bool, kMouseButtons> mdown{};
  std::array<int, kMouseButtons> mhits{};
  std::deque<int> chars;
  int wheel = 0;
  int close = 0;
  int system_close = 0;
};
State& S() {
  static State s;
  return s;
}
bool KeyOk(int code) { return code >= 0 && code < KEY_CODE_COUNT; }
bool ButtonOk(int b) { return b >= 0 && b < kMouseButtons; }
}  // namespace

void Key(int code, bool down) {
  auto& s = S();
  if (!KeyOk(code) || code == 0) {
    if (down) s.typing = 0;
    return;
  }
  if (down && !s.down[code]) ++s.hits[code];
  s.down[code] = down;
  s.held[code] = down;
  // A fresh press, or a key let go, types again.
  s.mute[code] = false;
  if (down) s.typing = code;
  else if (s.typing == code) s.typing = 0;
}

void KeyRepeat(int code) {
  auto& s = S();
  if (!KeyOk(code) || code == 0) {
    s.typing = 0;
    return;
  }
  s.held[code] = true;
  s.typing = code;
}

void MouseButton(int button, bool down) {
  if (!ButtonOk(button)) return;
  auto& s = S();
  if (down && !s.mdown[button]) ++s.mhits[button];
  s.mdown[button] = down;
}

void MouseWheel(int steps) { S().wheel += steps; }

void Char(int code) {
  if (code <= 0 || code > 255) return;
  auto& s = S();
  if (s.mute[s.typing]) return;
  if (static_cast<int>(s.chars.size()) < kCharQueue) s.chars.push_back(code);
}

void CloseRequest() { S().close = 1; }

void SystemCloseRequest() {
  S().close = 1;
  S().system_close = 1;
}

int KeyDown(int code) { return KeyOk(code) && S().down[code] ? 1 : 0; }

int KeyHit(int code) {
  if (!KeyOk(code)) return 0;
  int n = S().hits[code];
  S().hits[code] = 0;
  return n;
}

int MouseDown(int button) { return ButtonOk(button) && S().mdown[button] ? 1 : 0; }

int MouseHit(int button) {
  if (!ButtonOk(button)) return 0;
  int n = S().mhits[button];
  S().mhits[button] = 0;
  return n;
}

int Wheel() { return S().wheel; }

int NextChar() {
  auto& s = S();
  if (s.chars.empty()) return 0;
  int c = s.chars.front();
  s.chars.pop_front();
  return c;
}

int SystemClose() { return S().system_close; }

int TakeCloseRequest() {
  int c = S().close;
  S().close = 0;
  return c;
}

void FlushKeys() {
  auto& s = S();
  s.down.fill(false);
  s.hits.fill(0);
  s.chars.clear();
  s.mute = s.held;
}

void Flush() {
  auto& s = S();
  s.down.fill(false);
  s.hits.fill(0);
  s.held.fill(false);
  s.mute.fill(false);
  s.typing = 0;
  s.mdown.fill(false);
  s.mhits.fill(0);
  s.chars.clear();
}

void Reset() {
  Flush();
  S().wheel = 0;
  S().close = 0;
  S().system_close = 0;
}

}  // namespace inputstate
