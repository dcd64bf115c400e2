#include "platform/input.h"

#include <SDL.h>

#include "platform/core/input_state.h"
#include "platform/real/display_internal.h"
#include "platform/real/events.h"
#include "platform/real/input_internal.h"

namespace {
struct Pointer {
  bool known = false;
  float x = 0, y = 0;
};
Pointer& P() {
  static Pointer p;
  return p;
}
}  // namespace

void InputSetPointer(float wx, float wy) {
  P().known = true;
  P().x = wx;
  P().y = wy;
}

void InputPointer(float& wx, float& wy) {
  if (!P().known && SDL_WasInit(SDL_INIT_VIDEO) != 0 && DisplayWindow() != nullptr) {
    int x = 0, y = 0;
    SDL_GetMouseState(&x, &y);
    InputSetPointer(static_cast<float>(x), static_cast<float>(y));
  }
  wx = P().x;
  wy = P().y;
}

int KeyDown(int key) { return inputstate::KeyDown(key); }

int KeyHit(int key) { return inputstate::KeyHit(key); }

int MouseDown(int button) { return inputstate::MouseDown(button); }

int MouseHit(int button) { return inputstate::MouseHit(button); }

int GetChar() { return inputstate::NextChar(); }

void PollInput() { PlatformPumpEvents(); }

void FlushKeys() {
  // What is still on its way from the window system was pressed or typed
  // before the flush too.
  PlatformPumpEvents();
  inputstate::FlushKeys();
}

int AppTerminate() { return inputstate::TakeCloseRequest(); }

int AppSystemQuit() {
  PlatformPumpEvents();
  return inputstate::SystemClose();
}

float VirtualMouseX() {
  float wx, wy, vx, vy;
  InputPointer(wx, wy);
  DisplayWindowToVirtual(wx, wy, vx, vy);
  return vx;
}

float VirtualMouseY() {
  float wx, wy, vx, vy;
  InputPointer(wx, wy);
  DisplayWindowToVirtual(wx, wy, vx, vy);
  return vy;
}

void MoveVirtualMouse(float x, float y) {
  float wx, wy;
  DisplayVirtualToWindow(x, y, wx, wy);
  if (SDL_Window* w = DisplayWindow()) SDL_WarpMouseInWindow(w, static_cast<int>(wx), static_cast<int>(wy));
  // The warp's motion event may come later; the pointer is there already.
  InputSetPointer(wx, wy);
}

int MouseZ() { return inputstate::Wheel(); }

void HideMouse() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_ShowCursor(SDL_DISABLE);
}

void ShowMouse() {
  if (SDL_WasInit(SDL_INIT_VIDEO) != 0) SDL_ShowCursor(SDL_ENABLE);
}
