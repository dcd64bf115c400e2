// The application shell: the real backend starts, then the game's main routine
// runs once; the process ends when it returns through the farewell screen.
#include "platform/app.h"
#include "settings/farewell.h"
#include "startup/main_routine.h"

int main(int argc, char** argv) {
  (void)argc;
  // A display lost mid-run still leaves the settings, the scores and the
  // log's closing lines behind.
  SetDisplayLostHook(LeaveWithoutDisplay);
  return RunApplication(argv[0], [] { MainRoutine(); });
}
