#include "startup/main_routine.h"

#include "platform/app.h"
#include "settings/startup_sequence.h"
#include "startup/startup.h"

int32_t MainRoutineOnce = 0;

void MainRoutine() {
  if (MainRoutineOnce != 0) return;
  MainRoutineOnce = 1;

  // The application shell has already started every platform layer; all data
  // folders are resolved from the executable's folder, wherever it was started.
  RunStartup(AppDir());

  // Log banner, audio driver, "Setup.ini", display, level packs, then the
  // title screen, which leaves only through the farewell screen.
  RunSettingsAndTitle();
}
