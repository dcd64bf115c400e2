// The loss of the window system while the program runs. The window system's
// library ends the process by itself on a broken connection or a refused
// request, before anything is saved; the handlers here, installed before
// SDL opens its connection (SDL's own handler then passes refusals on to
// them), hand the loss to the game's hook instead and end the process
// without another word to the window system.
#include <SDL.h>
#include <dirent.h>
#include <dlfcn.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <new>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/real/display_internal.h"

// The types only: the library is the one SDL loads at run time. Last, for
// its macros.
#include <X11/Xlib.h>

namespace {

using ErrorHandler = int (*)(Display*, XErrorEvent*);
using IOErrorHandler = int (*)(Display*);

struct Xlib {
  ErrorHandler (*set_error_handler)(ErrorHandler) = nullptr;
  IOErrorHandler (*set_io_error_handler)(IOErrorHandler) = nullptr;
  int (*get_error_text)(Display*, int, char*, int) = nullptr;
  char* (*display_string)(Display*) = nullptr;
  // What the library did before: it still does it while no hook is set.
  ErrorHandler previous_error = nullptr;
  IOErrorHandler previous_io_error = nullptr;
};

Xlib& X() {
  static Xlib x;
  return x;
}

std::function<int(const std::string&)>& Hook() {
  static std::function<int(const std::string&)> hook;
  return hook;
}

std::atomic<bool> g_losing{false};
thread_local bool t_losing = false;

// The handlers run inside the window system's C library (or a signal
// handler), which no exception may cross: the cause is made in fixed room,
// and memory that has run out leaves the hook an empty cause, which needs
// none.
[[noreturn]] void Lose(const char* cause) {
  if (g_losing.exchange(true)) {
    // The hook's own steps reached the window system again: what they had
    // not done by then cannot be done.
    if (t_losing) _exit(1);
    // Another thread found out too: the first one ends the process.
    for (;;) pause();
  }
  t_losing = true;
  std::string given;
  try {
    given = cause;
  } catch (const std::bad_alloc&) {
  }
  const int status = Hook()(given);
  std::fflush(nullptr);
  // Neither SDL's quit nor the libraries' exit handlers: they would talk to
  // a window system that is no longer there.
  _exit(status);
}

int OnIOError(Display* display) {
  if (!Hook()) return X().previous_io_error ? X().previous_io_error(display) : 0;
  const char* name = X().display_string ? X().display_string(display) : nullptr;
  char cause[512];
  std::snprintf(cause, sizeof cause, "the connection to the X server%s%s broke", name && *name ? " " : "",
                name ? name : "");
  Lose(cause);
}

int OnError(Display* display, XErrorEvent* error) {
  if (!Hook()) return X().previous_error ? X().previous_error(display, error) : 0;
  // SDL and OpenGL make the requests they expect to be refused under handlers
  // of their own; any other refusal always ended the process in the
  // library's default handler. A window destroyed by another client brings
  // one at its next request.
  char text[256] = "";
  if (X().get_error_text) X().get_error_text(display, error->error_code, text, sizeof text);
  char cause[320];
  if (text[0] != '\0')
    std::snprintf(cause, sizeof cause, "the X server refused a request: %s", text);
  else
    std::snprintf(cause, sizeof cause, "the X server refused a request: error %d", static_cast<int>(error->error_code));
  Lose(cause);
}

// The sockets SDL's video start opened: the window system's connections.
// Fixed while OpenGL sets up, when a fault handler reads them.
std::vector<int>& Connections() {
  static std::vector<int> fds;
  return fds;
}

std::vector<int> OpenSockets() {
  std::vector<int> fds;
  DIR* dir = opendir("/proc/self/fd");
  if (!dir) return fds;
  const int own = dirfd(dir);
  while (const dirent* e = readdir(dir)) {
    char* end = nullptr;
    const long fd = std::strtol(e->d_name, &end, 10);
    if (end == e->d_name || *end != '\0' || fd == own) continue;
    struct stat st {};
    if (fstat(static_cast<int>(fd), &st) == 0 && S_ISSOCK(st.st_mode)) fds.push_back(static_cast<int>(fd));
  }
  closedir(dir);
  return fds;
}

// Whether the other end of a window system connection has closed it: the
// server ended, or killed this client. Only system calls, for a fault handler.
bool ConnectionClosed() {
  const int saved = errno;
  bool closed = false;
  for (int fd : Connections()) {
    char c = 0;
    const ssize_t n = recv(fd, &c, 1, MSG_PEEK | MSG_DONTWAIT);
    if (n == 0 || (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK && errno != EINTR)) closed = true;
  }
  errno = saved;
  return closed;
}

struct sigaction g_previous_fault {};
std::atomic<int> g_guards{0};

void OnFault(int sig, siginfo_t*, void*) {
  // The fault is the driver's own read of a reply it never got, on the
  // thread that sets up, outside the allocator and the files: the saving
  // steps can run from here as from the library's handlers.
  if (Hook() && ConnectionClosed()) Lose("the connection to the window system broke while OpenGL set up");
  // Any other fault is what it was: the earlier handler meets it again when
  // the instruction runs again.
  sigaction(sig, &g_previous_fault, nullptr);
}

}  // namespace

bool StartVideo() {
  const std::vector<int> before = OpenSockets();
  if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return false;
  Connections().clear();
  for (int fd : OpenSockets()) {
    if (std::find(before.begin(), before.end(), fd) == before.end()) Connections().push_back(fd);
  }
  return true;
}

OpenGLSetUpGuard::OpenGLSetUpGuard() {
  if (g_guards++ != 0) return;
  struct sigaction action {};
  action.sa_sigaction = OnFault;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_SIGINFO;
  sigaction(SIGSEGV, &action, &g_previous_fault);
}

OpenGLSetUpGuard::~OpenGLSetUpGuard() {
  if (--g_guards != 0) return;
  sigaction(SIGSEGV, &g_previous_fault, nullptr);
}

void SetDisplayLostHook(std::function<int(const std::string& cause)> hook) { Hook() = std::move(hook); }

void WatchForDisplayLoss() {
  static bool watched = false;
  if (watched) return;
  watched = true;
  // Held for the whole run: SDL unloads its copy when its video quits, and
  // the handlers must stay where the library keeps them.
  void* lib = dlopen("libX11.so.6", RTLD_NOW | RTLD_LOCAL);
  if (!lib) return;  // no X: nothing of it to lose
  Xlib& x = X();
  x.set_error_handler = reinterpret_cast<decltype(x.set_error_handler)>(dlsym(lib, "XSetErrorHandler"));
  x.set_io_error_handler = reinterpret_cast<decltype(x.set_io_error_handler)>(dlsym(lib, "XSetIOErrorHandler"));
  x.get_error_text = reinterpret_cast<decltype(x.get_error_text)>(dlsym(lib, "XGetErrorText"));
  x.display_string = reinterpret_cast<decltype(x.display_string)>(dlsym(lib, "XDisplayString"));
  if (!x.set_error_handler || !x.set_io_error_handler) return;
  x.previous_error = x.set_error_handler(OnError);
  x.previous_io_error = x.set_io_error_handler(OnIOError);
}
