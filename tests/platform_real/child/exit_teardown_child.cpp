// A program of its own for one way out of the real backend (a forked test
// process would share its X connection with the test): a frame shown, a
// frame drawn and not shown (a skipped frame), and the way out the game
// takes, on one processor shared with other work, while the software
// rasteriser's threads but its first get a processor only when nothing else
// wants it. On a busy machine those are the threads still to start on the
// last frame when the way out begins. Exits 0 when the way out ends it.
#include <dirent.h>
#include <sched.h>
#include <unistd.h>

#include <atomic>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>

#include "platform/app.h"
#include "platform/graphics.h"

namespace {

void StarveTheRasteriserButItsFirstThread() {
  DIR* tasks = opendir("/proc/self/task");
  if (!tasks) return;
  while (const dirent* e = readdir(tasks)) {
    std::ifstream comm(std::string("/proc/self/task/") + e->d_name + "/comm");
    std::string name;
    std::getline(comm, name);
    if (name.rfind("llvmpipe-", 0) != 0 || name == "llvmpipe-0") continue;
    sched_param none{};
    sched_setscheduler(std::atoi(e->d_name), SCHED_IDLE, &none);
  }
  closedir(tasks);
}

}  // namespace

int main(int, char** argv) {
  setenv("LP_NUM_THREADS", "4", 1);
  cpu_set_t one;
  CPU_ZERO(&one);
  CPU_SET(0, &one);
  sched_setaffinity(0, sizeof one, &one);
  RunApplication(argv[0], [] {
    if (Graphics(320, 240, 0, 60, 0) == 0) _exit(3);
    DrawRect(0, 0, 32, 32);
    Flip(0);
    StarveTheRasteriserButItsFirstThread();
    std::thread([] {
      for (std::atomic<unsigned> n = 0;; ++n) {
      }
    }).detach();
    DrawRect(0, 0, 32, 32);
    EndGraphics();
    AppExit(0);
  });
  return 4;
}
