// The application shell: the real backend starts, then the game's main routine
// runs once; the process ends when it returns through the farewell screen.
#include "platform/app.h"
#include "startup/main_routine.h"

int main(int argc, char** argv) {
  (void)argc;
  return RunApplication(argv[0], [] { MainRoutine(); });
}
