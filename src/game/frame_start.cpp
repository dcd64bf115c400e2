#include "game/frame_start.h"

#include "framework/draw.h"
#include "game/game_state.h"
#include "level/rooms.h"

namespace {

constexpr int32_t kLevelTicks = 240;
// The editor's player cannot die and scores nothing.
constexpr int32_t kEditorHealth = 999;

}  // namespace

void FrameStart() {
  CLS3d(1);
  if (editmode == 1) {
    pla->score = 0;
    pla->health = kEditorHealth;
  }
  ++leveltick;
  if (leveltick >= kLevelTicks) leveltick = 0;
  // A room change asked for during a frame is served here, before anything
  // of the new frame looks at the room.
  if (playstate.newroom != 0) {
    MyRoom();
    playstate.newroom = 0;
  }
}
