// Scripted keyboard, mouse and joysticks for the test backend. A test sets the
// input directly or schedules changes for later frames; scheduled changes run
// when the display double's Flip ends a frame (testbackend::EndFrame), so they
// show from the next frame on. testbackend::Reset() clears all of it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace testbackend {

// ---- keyboard and mouse, at once -------------------------------------------------
// A key goes down (one press counted) or up. Like a real keyboard, a key that
// types goes on to type its character: the letters (small, or capitals while
// a Shift key is held), the digits of both rows, Space, and Backspace, Tab,
// Return and Escape their control codes. The key pressed last repeats while
// it is held, as the window system repeats it: after kRepeatDelayMs, then
// every kRepeatEveryMs of the virtual clock, counted at the end of each frame
// (EndFrame); Shift, Control and Alt do not repeat.
constexpr int kRepeatDelayMs = 500;
constexpr int kRepeatEveryMs = 40;
void PressKey(int key);
void ReleaseKey(int key);
// A press and release between two polls: KeyHit sees it, KeyDown does not.
void TapKey(int key);
// Queues typed characters for GetChar (each byte one Latin-1 character), as
// typed by keys that came and went before the next poll.
void TypeText(const std::string& text);
// Pointer position in virtual-screen units.
void SetMouse(float x, float y);
float MouseXSet();
float MouseYSet();
void PressMouse(int button);
void ReleaseMouse(int button);
void TurnWheel(int steps);
// A close request of the window (AppTerminate answers 1 once).
void RequestClose();
// A termination signal from the system: a close request that AppSystemQuit
// reports from then on.
void RequestSystemQuit();
// 1 while HideMouse is in force.
int MouseHidden();

// ---- script ---------------------------------------------------------------------
// Runs `action` at the end of frame `frame` (when FrameCount() reaches it), so
// its input shows during the frame after it. Frame 0, or a frame already past,
// runs at once.
void InputAtFrame(int frame, std::function<void()> action);
// Key held from the end of frame `from` until the end of frame `from + frames`.
void HoldKeyFrames(int key, int from, int frames);
// Called on every input query (KeyDown, KeyHit, MouseDown, GetChar, ...) and
// every PollInput, with the running count of them: lets a test release a key
// inside a busy wait that flips no frame. Cleared by Reset.
void SetInputPollHook(std::function<void(int64_t polls)> hook);
int64_t InputPolls();
// Number of PollInput calls so far (the fetches of the window system's events
// that the real backend makes there).
int64_t InputFetches();

// ---- joysticks --------------------------------------------------------------------
// Adds a joystick on the next port and returns the port. `has_hat` false reads
// the hat as 0 (no hat); a hat starts centred (-1).
int AddJoystick(const std::string& name, int32_t button_caps, bool has_hat = true);
// Axis 0..5 = X, Y, Z, U, V, R.
void SetJoyAxis(int port, int axis, float value);
void SetJoyHat(int port, float hat);
void SetJoyButton(int port, int button, bool down);
// Number of JoyDown calls so far.
int64_t JoyDownCalls();

}  // namespace testbackend
