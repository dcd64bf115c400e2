#include "startup/main_routine.h"

#include <new>

#include "platform/app.h"
#include "settings/farewell.h"
#include "settings/startup_sequence.h"
#include "startup/startup.h"

int32_t MainRoutineOnce = 0;

void MainRoutine() {
  if (MainRoutineOnce != 0) return;
  MainRoutineOnce = 1;

  try {
    HoldMemoryForTheWayOut();

    // The application shell has already started every platform layer; all
    // data folders are resolved from the executable's folder, wherever it
    // was started.
    RunStartup(AppDir());

    // Log banner, audio driver, "Setup.ini", display, level packs, then the
    // title screen, which leaves only through the farewell screen.
    RunSettingsAndTitle();
  } catch (const std::bad_alloc&) {
    // A picture, a sound or a level that cannot be held is named and passed
    // over where it is loaded; what reaches here left the run nothing to go
    // on with. The display may be half made by the failure: the process
    // ends without a word to it.
    EndAtOnce(LeaveOutOfMemory());
  }
}
