#include "leftover.h"

#include <climits>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <iterator>

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>

namespace toolcommon {
namespace {

constexpr int kEndSignals[] = {SIGHUP, SIGINT, SIGTERM};

// Written only with the end signals held, read by their handler.
char g_path[PATH_MAX];
Leftover g_kind = Leftover::File;
volatile sig_atomic_t g_named = 0;
int g_guards = 0;
std::terminate_handler g_terminateBefore = nullptr;

bool DotOrDotDot(const char* name) {
  return name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0'));
}

// Removes `name` in the folder open as `at`, with all it holds, by system
// calls and the stack alone. A link is removed, never followed. The leftovers
// are a few folders deep; anything deeper than any of them is left rather
// than the stack risked.
void RemoveTreeAt(int at, const char* name, int depth) {
  if (::unlinkat(at, name, 0) == 0 || depth > 16) return;
  const int fd = ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return;
  // Entries removed while the folder is read may hide others from the same
  // reading; a second reading finds them.
  for (int pass = 0; pass < 3; ++pass) {
    alignas(struct dirent64) char buf[4096];
    ssize_t n;
    while ((n = ::getdents64(fd, buf, sizeof buf)) > 0) {
      for (ssize_t off = 0; off < n;) {
        const auto* entry = reinterpret_cast<const struct dirent64*>(buf + off);
        off += entry->d_reclen;
        if (!DotOrDotDot(entry->d_name)) RemoveTreeAt(fd, entry->d_name, depth + 1);
      }
    }
    if (::unlinkat(at, name, AT_REMOVEDIR) == 0 || ::lseek(fd, 0, SEEK_SET) != 0) break;
  }
  ::close(fd);
}

// System calls alone: called from the signal handler too.
void RemoveNamed() {
  if (!g_named) return;
  if (g_kind == Leftover::Folder) RemoveTreeAt(AT_FDCWD, g_path, 0);
  else ::unlinkat(AT_FDCWD, g_path, 0);
  g_named = 0;
}

void OnEndSignal(int signal) {
  RemoveNamed();
  ::_exit(128 + signal);
}

void AtExit() {
  if (g_guards > 0) RemoveLeftover();
}

[[noreturn]] void OnTerminate() {
  RemoveLeftover();
  if (g_terminateBefore != nullptr) g_terminateBefore();
  std::abort();
}

}  // namespace

bool SetLeftover(const std::string& path, Leftover kind) {
  if (path.empty() || path.size() >= sizeof g_path || path.find('\0') != std::string::npos) return false;
  WithEndSignalsHeld([&] {
    std::memcpy(g_path, path.c_str(), path.size() + 1);
    g_kind = kind;
    g_named = 1;
  });
  return true;
}

void RemoveLeftover() {
  WithEndSignalsHeld([] { RemoveNamed(); });
}

void ForgetLeftover() {
  WithEndSignalsHeld([] { g_named = 0; });
}

LeftoverGuard::LeftoverGuard() {
  static const bool registered = std::atexit(AtExit) == 0;
  (void)registered;
  for (size_t i = 0; i < std::size(kEndSignals); ++i) {
    struct sigaction now{};
    if (::sigaction(kEndSignals[i], nullptr, &now) != 0) continue;
    if ((now.sa_flags & SA_SIGINFO) == 0 && now.sa_handler == SIG_IGN) continue;
    struct sigaction act{};
    act.sa_handler = OnEndSignal;
    sigemptyset(&act.sa_mask);
    for (int sig : kEndSignals) sigaddset(&act.sa_mask, sig);
    installed_[i] = ::sigaction(kEndSignals[i], &act, &before_[i]) == 0;
  }
  terminateBefore_ = std::set_terminate(OnTerminate);
  g_terminateBefore = terminateBefore_;
  ++g_guards;
}

LeftoverGuard::~LeftoverGuard() {
  --g_guards;
  std::set_terminate(terminateBefore_);
  g_terminateBefore = nullptr;
  for (size_t i = 0; i < std::size(kEndSignals); ++i) {
    if (installed_[i]) ::sigaction(kEndSignals[i], &before_[i], nullptr);
  }
}

}  // namespace toolcommon
