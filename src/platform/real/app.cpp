#include "platform/app.h"

#include <SDL.h>
#include <unistd.h>

#include <csignal>

#include <cstdlib>
#include <vector>

#include "platform/files.h"
#include "platform/real/display_internal.h"
#include "platform/real/events.h"

namespace {
std::string ReadExecutableDir(const char* argv0) {
  std::vector<char> buf(4096);
  for (;;) {
    const ssize_t n = ::readlink("/proc/self/exe", buf.data(), buf.size());
    if (n < 0) break;
    if (static_cast<size_t>(n) < buf.size()) {
      std::string exe(buf.data(), static_cast<size_t>(n));
      return exe.substr(0, exe.find_last_of('/') + 1);
    }
    buf.resize(buf.size() * 2);
  }
  // No /proc: fall back on the path the program was started with.
  std::string exe = argv0 ? argv0 : "";
  const size_t slash = exe.find_last_of('/');
  std::string dir = slash == std::string::npos ? std::string(".") : exe.substr(0, slash + 1);
  if (!dir.empty() && dir[0] != '/') {
    dir = CurrentDir() + "/" + dir;
  }
  if (dir.back() != '/') dir += '/';
  return dir;
}

// The display goes first, by the backend's own rules, rather than inside
// SDL's quit, which would leave the OpenGL context to the window system's
// disconnection.
void CloseEverything() {
  DisplayStartOver();
  SDL_Quit();
}

std::string& AppDirStore() {
  static std::string dir;
  return dir;
}
}  // namespace

int RunApplication(const char* argv0, const std::function<void()>& main_routine) {
  AppDirStore() = ReadExecutableDir(argv0);
  // The data folders lie beside the executable, wherever it was started from.
  ChangeDir(AppDirStore());
  // A reader that went away must not end the game in the middle of a write.
  std::signal(SIGPIPE, SIG_IGN);
  // Nor a file-size limit: a write past it fails, as on a full disk.
  MeetFileSizeLimitAsFullDisk();
  // A signal from the system ends the run through the game's own saving steps
  // rather than a window close request.
  SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
  CatchQuitSignals();
  // Video, audio and joysticks start their own subsystems when they open.
  if (SDL_Init(SDL_INIT_EVENTS) != 0) {
    SDL_Log("SDL could not start: %s", SDL_GetError());
    return 1;
  }
  main_routine();
  CloseEverything();
  return 0;
}

std::string AppDir() {
  if (AppDirStore().empty()) AppDirStore() = ReadExecutableDir(nullptr);
  return AppDirStore();
}

void AppExit(int status) {
  CloseEverything();
  std::exit(status);
}
