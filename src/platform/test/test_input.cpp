#include "platform/test/test_input.h"

#include <array>
#include <map>
#include <vector>

#include "platform/core/input_state.h"
#include "platform/input.h"
#include "platform/joystick.h"
#include "platform/test/test_backend.h"

namespace testbackend {
namespace {

struct Joy {
  std::string name;
  int32_t caps = 0;
  bool has_hat = true;
  std::array<float, 6> axes{};
  float hat = -1.0f;
  uint32_t buttons = 0;
};

struct State {
  float mx = 0, my = 0;
  int hidden = 0;
  std::multimap<int, std::function<void()>> script;
  std::function<void(int64_t)> poll_hook;
  int64_t polls = 0;
  int64_t fetches = 0;
  std::vector<Joy> joys;
  int64_t joy_down_calls = 0;
  // The keyboard: keys pressed and not let go, and the key that repeats.
  std::array<bool, KEY_CODE_COUNT> pressed{};
  int repeat_key = 0;
  int32_t repeat_due = 0;
};
State& S() {
  static State s;
  return s;
}

bool KeyOk(int key) { return key > 0 && key < KEY_CODE_COUNT; }
bool Modifier(int key) { return key >= 160 && key <= 165; }

// The character a key types, 0 for none.
int KeyChar(int key) {
  if (key >= 'A' && key <= 'Z') {
    const bool shift = S().pressed[160] || S().pressed[161];
    return shift ? key : key + 32;
  }
  if (key >= '0' && key <= '9') return key;
  if (key >= 96 && key <= 105) return '0' + key - 96;
  if (key == 8 || key == 9 || key == 13 || key == 27 || key == 32) return key;
  return 0;
}

void Type(int key) {
  if (int c = KeyOk(key) ? KeyChar(key) : 0) inputstate::Char(c);
}

// Milliseconds from `from` to `to`, and `ms` after `t`, on the wrapping 32-bit clock.
int32_t Elapsed(int32_t from, int32_t to) {
  return static_cast<int32_t>(static_cast<uint32_t>(to) - static_cast<uint32_t>(from));
}
int32_t Later(int32_t t, int32_t ms) { return static_cast<int32_t>(static_cast<uint32_t>(t) + static_cast<uint32_t>(ms)); }

// The repeats of the held key that fell due by now, each followed by the
// key's character as the window system sends them.
void RunRepeats() {
  auto& s = S();
  if (s.repeat_key == 0) return;
  int n = 0;
  while (Elapsed(s.repeat_due, Clock()) >= 0 && n < inputstate::kCharQueue) {
    inputstate::KeyRepeat(s.repeat_key);
    Type(s.repeat_key);
    s.repeat_due = Later(s.repeat_due, kRepeatEveryMs);
    ++n;
  }
  // A clock set far ahead: the queue is full anyway; go on from now.
  if (n == inputstate::kCharQueue) s.repeat_due = Later(Clock(), kRepeatEveryMs);
}

void RunDue() {
  auto& s = S();
  // Actions may schedule further actions; take them one at a time.
  while (!s.script.empty() && s.script.begin()->first <= FrameCount()) {
    auto action = std::move(s.script.begin()->second);
    s.script.erase(s.script.begin());
    action();
  }
}

void ResetInput() {
  auto& s = S();
  s.mx = s.my = 0;
  s.hidden = 0;
  s.script.clear();
  s.poll_hook = nullptr;
  s.polls = 0;
  s.fetches = 0;
  s.pressed.fill(false);
  s.repeat_key = 0;
  s.repeat_due = 0;
  s.joys.clear();
  s.joy_down_calls = 0;
  inputstate::Reset();
}

void EndOfFrame() {
  RunRepeats();
  RunDue();
}

const bool registered = [] {
  AddFrameHook(EndOfFrame);
  AddResetHook(ResetInput);
  return true;
}();

void Poll() {
  auto& s = S();
  ++s.polls;
  if (s.poll_hook) s.poll_hook(s.polls);
}

const Joy* JoyAt(int port) {
  auto& j = S().joys;
  if (port < 0 || port >= static_cast<int>(j.size())) return nullptr;
  return &j[port];
}
Joy* JoyMut(int port) { return const_cast<Joy*>(JoyAt(port)); }

float Axis(int port, int axis) {
  const Joy* j = JoyAt(port);
  return j ? j->axes[axis] : 0.0f;
}

}  // namespace

void PressKey(int key) {
  inputstate::Key(key, true);
  if (!KeyOk(key)) return;
  S().pressed[key] = true;
  Type(key);
  if (!Modifier(key)) {
    S().repeat_key = key;
    S().repeat_due = Later(Clock(), kRepeatDelayMs);
  }
}
void ReleaseKey(int key) {
  inputstate::Key(key, false);
  if (!KeyOk(key)) return;
  S().pressed[key] = false;
  if (S().repeat_key == key) S().repeat_key = 0;
}
void TapKey(int key) {
  if (inputstate::KeyDown(key)) return;
  inputstate::Key(key, true);
  Type(key);
  inputstate::Key(key, false);
}
void TypeText(const std::string& text) {
  for (unsigned char c : text) inputstate::Char(c);
}
void SetMouse(float x, float y) {
  S().mx = x;
  S().my = y;
}
float MouseXSet() { return S().mx; }
float MouseYSet() { return S().my; }
void PressMouse(int button) { inputstate::MouseButton(button, true); }
void ReleaseMouse(int button) { inputstate::MouseButton(button, false); }
void TurnWheel(int steps) { inputstate::MouseWheel(steps); }
void RequestClose() { inputstate::CloseRequest(); }
void RequestSystemQuit() { inputstate::SystemCloseRequest(); }
int MouseHidden() { return S().hidden; }

void InputAtFrame(int frame, std::function<void()> action) {
  (void)registered;
  if (frame <= FrameCount()) {
    action();
    return;
  }
  S().script.emplace(frame, std::move(action));
}

void HoldKeyFrames(int key, int from, int frames) {
  InputAtFrame(from, [key] { PressKey(key); });
  InputAtFrame(from + frames, [key] { ReleaseKey(key); });
}

void SetInputPollHook(std::function<void(int64_t)> hook) { S().poll_hook = std::move(hook); }
int64_t InputPolls() { return S().polls; }
int64_t InputFetches() { return S().fetches; }

int AddJoystick(const std::string& name, int32_t button_caps, bool has_hat) {
  Joy j;
  j.name = name;
  j.caps = button_caps;
  j.has_hat = has_hat;
  j.hat = has_hat ? -1.0f : 0.0f;
  S().joys.push_back(j);
  return static_cast<int>(S().joys.size()) - 1;
}

void SetJoyAxis(int port, int axis, float value) {
  if (Joy* j = JoyMut(port); j && axis >= 0 && axis < 6) j->axes[axis] = value;
}

void SetJoyHat(int port, float hat) {
  if (Joy* j = JoyMut(port); j && j->has_hat) j->hat = hat;
}

void SetJoyButton(int port, int button, bool down) {
  Joy* j = JoyMut(port);
  if (!j || button < 0 || button > 31) return;
  if (down)
    j->buttons |= 1u << button;
  else
    j->buttons &= ~(1u << button);
}

int64_t JoyDownCalls() { return S().joy_down_calls; }

}  // namespace testbackend

using testbackend::Poll;
using testbackend::S;

int KeyDown(int key) {
  Poll();
  return inputstate::KeyDown(key);
}
int KeyHit(int key) {
  Poll();
  return inputstate::KeyHit(key);
}
int MouseDown(int button) {
  Poll();
  return inputstate::MouseDown(button);
}
int MouseHit(int button) {
  Poll();
  return inputstate::MouseHit(button);
}
int GetChar() {
  Poll();
  return inputstate::NextChar();
}
void PollInput() {
  ++S().fetches;
  Poll();
}
void FlushKeys() {
  Poll();
  inputstate::FlushKeys();
}
int AppTerminate() {
  Poll();
  return inputstate::TakeCloseRequest();
}
int AppSystemQuit() {
  Poll();
  return inputstate::SystemClose();
}
float VirtualMouseX() {
  Poll();
  return S().mx;
}
float VirtualMouseY() {
  Poll();
  return S().my;
}
void MoveVirtualMouse(float x, float y) { testbackend::SetMouse(x, y); }
int MouseZ() {
  Poll();
  return inputstate::Wheel();
}
void HideMouse() { S().hidden = 1; }
void ShowMouse() { S().hidden = 0; }

int JoyCount() { return static_cast<int>(S().joys.size()); }
std::string JoyName(int port) {
  auto* j = testbackend::JoyAt(port);
  return j ? j->name : std::string();
}
int JoyButtonCaps(int port) {
  auto* j = testbackend::JoyAt(port);
  return j ? j->caps : 0;
}
int JoyDown(int button, int port) {
  ++S().joy_down_calls;
  auto* j = testbackend::JoyAt(port);
  if (!j || button < 0 || button > 31) return 0;
  return (j->buttons >> button) & 1u ? 1 : 0;
}
float JoyX(int port) { return testbackend::Axis(port, 0); }
float JoyY(int port) { return testbackend::Axis(port, 1); }
float JoyZ(int port) { return testbackend::Axis(port, 2); }
float JoyU(int port) { return testbackend::Axis(port, 3); }
float JoyV(int port) { return testbackend::Axis(port, 4); }
float JoyR(int port) { return testbackend::Axis(port, 5); }
float JoyHat(int port) {
  auto* j = testbackend::JoyAt(port);
  return j ? j->hat : 0.0f;
}
