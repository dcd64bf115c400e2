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
// A key goes down (one press counted) or up.
void PressKey(int key);
void ReleaseKey(int key);
// A press and release between two polls: KeyHit sees it, KeyDown does not.
void TapKey(int key);
// Queues typed characters for GetChar (each byte one Latin-1 character).
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
// Called on every input query (KeyDown, KeyHit, MouseDown, GetChar, ...), with
// the running count of queries: lets a test release a key inside a busy wait
// that flips no frame. Cleared by Reset.
void SetInputPollHook(std::function<void(int64_t polls)> hook);
int64_t InputPolls();

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
