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
