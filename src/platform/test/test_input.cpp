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
  std::vector<Joy> joys;
  int64_t joy_down_calls = 0;
};
State& S() {
  static State s;
  return s;
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
  s.joys.clear();
  s.joy_down_calls = 0;
  inputstate::Reset();
}

const bool registered = [] {
  AddFrameHook(RunDue);
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

void PressKey(int key) { inputstate::Key(key, true); }
void ReleaseKey(int key) { inputstate::Key(key, false); }
void TapKey(int key) {
  if (inputstate::KeyDown(key)) return;
  inputstate::Key(key, true);
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
void FlushKeys() {
  Poll();
  inputstate::Flush();
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
