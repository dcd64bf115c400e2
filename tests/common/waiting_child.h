// A process of its own for cases about what other processes see: the child
// runs its body, sends the one character the body answers, and then waits
// until it is told to end or is killed, keeping whatever it holds (a lock,
// an open game folder) until then.
#pragma once

#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>

namespace testutil {

class WaitingChild {
 public:
  explicit WaitingChild(const std::function<char()>& body) {
    int up[2], down[2];
    if (::pipe(up) != 0) return;
    if (::pipe(down) != 0) {
      ::close(up[0]);
      ::close(up[1]);
      return;
    }
    pid_ = ::fork();
    if (pid_ == 0) {
      ::close(up[0]);
      ::close(down[1]);
      const char answer = body();
      if (::write(up[1], &answer, 1) != 1) ::_exit(1);
      // Waits for the parent to close its end (or to die).
      char go = 0;
      if (::read(down[0], &go, 1) < 0) ::_exit(1);
      ::_exit(0);
    }
    ::close(up[1]);
    ::close(down[0]);
    to_ = down[1];
    from_ = up[0];
    if (pid_ < 0) End();
  }
  ~WaitingChild() { End(); }
  WaitingChild(const WaitingChild&) = delete;
  WaitingChild& operator=(const WaitingChild&) = delete;

  // What the body answered, '?' when no answer came.
  char Answer() {
    if (!answered_) {
      answered_ = true;
      if (pid_ <= 0 || ::read(from_, &answer_, 1) != 1) answer_ = '?';
    }
    return answer_;
  }
  // Ends the child as the system ends a killed process.
  void Kill() {
    if (pid_ > 0) ::kill(pid_, SIGKILL);
    End();
  }
  // Lets the child end and waits for it.
  void End() {
    if (to_ >= 0) ::close(to_);
    if (from_ >= 0) ::close(from_);
    to_ = from_ = -1;
    if (pid_ > 0) ::waitpid(pid_, nullptr, 0);
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
  int to_ = -1, from_ = -1;
  bool answered_ = false;
  char answer_ = '?';
};

}  // namespace testutil
