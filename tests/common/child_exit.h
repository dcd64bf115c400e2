// Waiting for a child process to end, with a guard that only turns a hang
// into a failure.
#pragma once

#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <thread>

namespace testutil {

// The child's exit status once it ends (128 + N when signal N ended it), or
// -1 when `seconds` pass first, and the child is then killed and reaped.
inline int WaitForChildExit(pid_t pid, int seconds) {
  const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  int status = 0;
  while (waitpid(pid, &status, WNOHANG) == 0) {
    if (std::chrono::steady_clock::now() > guard) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
      return -1;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace testutil
