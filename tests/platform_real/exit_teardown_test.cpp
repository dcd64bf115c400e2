// The real backend's way out while the software rasteriser still has the
// last frame to start on: the process must end, however the machine shares
// its processors out.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/child_exit.h"

extern char** environ;

namespace {

// Runs the way out in a program of its own; gives its exit status, or -1
// when it did not end within the guard (it hangs for good when it fails).
int RunTheWayOut() {
  char* const argv[] = {const_cast<char*>(EXIT_TEARDOWN_CHILD), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, EXIT_TEARDOWN_CHILD, nullptr, nullptr, argv, environ) != 0) return -2;
  return testutil::WaitForChildExit(pid, 60);
}

TEST(ExitTeardown, TheWayOutEndsTheProcessWhileTheRasteriserHasAFrameToStart) {
  for (int run = 0; run < 5; ++run) ASSERT_EQ(RunTheWayOut(), 0) << "run " << run;
}

}  // namespace
