// A program of its own that draws frames and reads its input until the
// display goes: the test takes the display away from outside (a forked test
// process would share its X connection with the test). The hook appends the
// cause it is given, one line, to the file named first and ends the process
// with status 5; "ready" on standard output tells that the first frame is
// shown.
#include <unistd.h>

#include <cstdio>
#include <string>

#include "platform/app.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/runtime.h"

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  static std::string told;
  told = argv[1];
  SetDisplayLostHook([](const std::string& cause) {
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
      }
      Delay(5);
    }
  });
  return 4;
}
