// A program of its own that draws frames and reads its input until the
// display goes: the test takes the display away from outside (a forked test
// process would share its X connection with the test). The hook appends the
// cause it is given, one line, to the file named first and ends the process
// with status 5; "ready" on standard output tells that the first frame is
// shown.
//
// Given "driver" second, the program stops instead while OpenGL loads its
// driver, as the first window is made: it says "loading" and waits for a
// line on standard input, which the test sends once it has ended the X
// server. A server that ends during a slow driver load is met this way
// every time.
//
// Given "frames" second and "hungry" third, memory runs out before the loss
// is met: after "ready" the program waits for a line on standard input, as
// it does at the driver, and once it has it every allocation through new
// fails. The hook gives the memory back before it writes, as the game's
// hook lets go of the memory it holds for the way out.
#include <dlfcn.h>
#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "common/memory_ceiling.h"
#include "platform/app.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/runtime.h"

namespace {
bool g_stop_at_driver = false;
bool g_hungry = false;

// Waits for the test's line on standard input.
void WaitForGo() {
  char line[16];
  if (std::fgets(line, sizeof line, stdin) == nullptr) _exit(6);
}
}  // namespace

// Stands in for the system's own for every library of the process; passes
// everything on.
extern "C" void* dlopen(const char* file, int mode) {
  static auto next = reinterpret_cast<void* (*)(const char*, int)>(dlsym(RTLD_NEXT, "dlopen"));
  if (g_stop_at_driver && file != nullptr && std::strstr(file, "_dri.so") != nullptr) {
    g_stop_at_driver = false;
    std::puts("loading");
    std::fflush(stdout);
    WaitForGo();
  }
  return next(file, mode);
}

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  static std::string told;
  told = argv[1];
  g_stop_at_driver = argc > 2 && std::strcmp(argv[2], "driver") == 0;
  g_hungry = argc > 3 && std::strcmp(argv[3], "hungry") == 0;
  SetDisplayLostHook([](const std::string& cause) {
    testutil::LiftMemoryCeiling();
    if (std::FILE* f = std::fopen(told.c_str(), "a")) {
      std::fputs((cause + "\n").c_str(), f);
      std::fclose(f);
    }
    return 5;
  });
  RunApplication(argv[0], [] {
    if (Graphics(320, 240, 0, 60, 0) == 0) _exit(3);
    for (bool ready = false;; ready = true) {
      Cls();
      DrawRect(0, 0, 32, 32);
      Flip(0);
      PollInput();
      if (!ready) {
        std::puts("ready");
        std::fflush(stdout);
        if (g_hungry) {
          WaitForGo();
          testutil::TakeAllMemory();
        }
      }
      Delay(5);
    }
  });
  return 4;
}
