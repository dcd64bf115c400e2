// A tool's temporary file or folder (a song's file before it takes its name,
// a run's copy of the game data) must not outlive the tool, however the tool
// ends. An ordinary return and an exception find their way to the clean-up
// by themselves; the ways out that skip it are SIGHUP (a logout), SIGINT,
// SIGTERM, std::exit and std::terminate. While a LeftoverGuard lives, each of
// them removes the leftover named here first.
//
// A signal handler may rely on nothing but system calls, so the leftover's
// path is known before it exists, and the removal takes it apart by system
// calls and the stack alone. That also makes the removal safe when memory
// has run out.
#pragma once

#include <csignal>
#include <string>

namespace toolcommon {

// What the leftover is. A folder is removed with everything in it; a file is
// removed only while it is not a folder (something else may have taken the
// name since).
enum class Leftover { File, Folder };

// Holds SIGHUP, SIGINT and SIGTERM back while `body` runs: a handler must not
// find a leftover that exists but has no path yet, or a path half written.
template <typename Body>
void WithEndSignalsHeld(const Body& body) {
  struct Held {
    sigset_t before;
    Held() {
      sigset_t held;
      sigemptyset(&held);
      sigaddset(&held, SIGHUP);
      sigaddset(&held, SIGINT);
      sigaddset(&held, SIGTERM);
      ::sigprocmask(SIG_BLOCK, &held, &before);
    }
    // Let go of however the body ends.
    ~Held() { ::sigprocmask(SIG_SETMASK, &before, nullptr); }
  } held;
  body();
}

// Names the leftover from now on. The path is taken from the current folder
// as it is when the leftover goes: a tool that changes its current folder
// gives a whole path. False, with nothing named, for a path too long.
bool SetLeftover(const std::string& path, Leftover kind);
// Removes the leftover now, if one is named, and forgets it. Needs no memory.
void RemoveLeftover();
// Forgets the leftover without removing it (it has become the tool's output).
void ForgetLeftover();

// While it lives: SIGHUP, SIGINT and SIGTERM remove the leftover and end the
// process with 128 + the signal's number, except a signal the process was
// started with as ignored, which stays ignored (SIGHUP under nohup, SIGINT in
// a background job); std::exit and std::terminate remove it before they end
// the process. The guard puts back what it found when it goes.
class LeftoverGuard {
 public:
  LeftoverGuard();
  ~LeftoverGuard();
  LeftoverGuard(const LeftoverGuard&) = delete;
  LeftoverGuard& operator=(const LeftoverGuard&) = delete;

 private:
  struct sigaction before_[3] = {};
  bool installed_[3] = {};
  void (*terminateBefore_)() = nullptr;
};

}  // namespace toolcommon
