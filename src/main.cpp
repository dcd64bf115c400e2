// The application shell: the real backend starts, then the game's main routine
// runs once; the process ends when it returns through the farewell screen.
#include <new>

#include "platform/app.h"
#include "settings/farewell.h"
#include "startup/main_routine.h"

int main(int argc, char** argv) {
  (void)argc;
  try {
    // A display lost mid-run still leaves the settings, the scores and the
    // log's closing lines behind.
    SetDisplayLostHook(LeaveWithoutDisplay);
    return RunApplication(argv[0], [] { MainRoutine(); });
  } catch (const std::bad_alloc&) {
    // The shell's own steps around the main routine, which has its own way
    // out: nothing has been read yet, or everything is saved already.
    EndAtOnce(LeaveOutOfMemory());
  }
}
