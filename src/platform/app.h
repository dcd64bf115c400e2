// The application shell of the real backend.
#pragma once

#include <functional>
#include <string>

// Starts the backend (clock, video and audio subsystems), changes into the
// executable's own folder, runs `main_routine` once and shuts down. Returns
// the process exit status.
int RunApplication(const char* argv0, const std::function<void()>& main_routine);
// Absolute path of the folder that holds the executable (with a trailing "/").
std::string AppDir();
// Ends the process after releasing the backend.
[[noreturn]] void AppExit(int status);
// The window system is lost while the program runs: its connection broke
// (the X server ended, or the window's client was killed) or it refused a
// request (the window was destroyed by another client). `hook` then runs at
// once, inside the call that found out, and is given the window system's
// words for what happened. It may write files and standard error, but must
// not touch the display, the window or the input: a word to the window
// system could only fail again. The process then ends with the status the
// hook returns, without the backend's release, which would talk to the
// window system. Without a hook the window system's library ends the
// process as it does by itself.
void SetDisplayLostHook(std::function<int(const std::string& cause)> hook);
