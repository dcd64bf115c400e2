#include "game/autosave.h"

#include <cstdint>

#include "game/game_state.h"
#include "level/level_file.h"
#include "platform/input.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"

namespace {

// A save that failed (a full disk, a read-only folder) is tried again, but
// not more than once a second, and the player is told once per streak.
constexpr int32_t kRetryMs = 1000;
SaveFailureNotice notSaved("Level not saved");
int32_t lastFailure = 0;

void Save() {
  if (notSaved.Failing() && static_cast<uint32_t>(MilliSecs() - lastFailure) < static_cast<uint32_t>(kRetryMs))
    return;
  if (SaveLevel()) {
    playstate.unsaved = 0;
    notSaved.Succeeded();
    return;
  }
  notSaved.Failed("Level not saved: the level file could not be written");
  lastFailure = MilliSecs();
}

}  // namespace

void AutoSave() {
  if (playstate.unsaved != 1) return;
  if (MouseDown(1) != 0) return;
  if (MouseDown(2) != 0) return;
  if (editmode != 1) return;
  Save();
}

void SaveUnsavedEdits() {
  if (editmode != 1 || playstate.unsaved != 1) return;
  notSaved.Reset();
  Save();
}
