#include "game/editor_nav.h"

#include <string>

#include "framework/draw.h"
#include "framework/utils.h"
#include "game/game_state.h"
#include "level/rooms.h"
#include "platform/input.h"
#include "settings/common_assets.h"

namespace {

struct NavButton {
  const char* label;
  int32_t dx, dy;  // from the panel's corner
  int32_t stepx, stepy;
};
constexpr NavButton kNavButtons[] = {
    {"Up", 900, 52, 0, -1},
    {"Down", 980, 52, 0, 1},
    {"Left", 900, 82, -1, 0},
    {"Right", 980, 82, 1, 0},
};
constexpr int32_t kButtonWidth = 60, kButtonHeight = 28;
constexpr int32_t kLayers = 4;

// Most controls act once per press: the latch is 1 for a fresh press, 2
// once a control took it, and 0 when the button is seen up.
void UpdateLatch() {
  if (playstate.clicklatch == 0) playstate.clicklatch = MouseDown(1) != 0 ? 1 : 0;
  if (playstate.clicklatch > 0 && MouseDown(1) == 0) playstate.clicklatch = 0;
}

// The four steps to the neighbouring grid positions enter the room there
// at once; they make no room and change nothing in the level.
void RoomButtons() {
  const int32_t left = playstate.basex;
  for (const NavButton& b : kNavButtons) {
    PanelDefaultColour();
    if (Mousein(left + b.dx, b.dy, kButtonWidth, kButtonHeight) != 0) {
      PanelHoverColour();
      if (playstate.clicklatch == 1) {
        playstate.clicklatch = 2;
        pla->roomx += b.stepx;
        pla->roomy += b.stepy;
        MyRoom();
      }
    }
    Text(left + b.dx, playstate.basey + b.dy, b.label, 0, 0);
  }
}

// Layer buttons act while the button is held, fresh press or not.
void LayerButtons() {
  for (int32_t row = 1; row <= kLayers; ++row) {
    PanelDefaultColour();
    if (playstate.editlayer == row - 1) PanelCurrentColour();
    const int32_t top = PanelRowTop(row);
    if (Mousein(playstate.barx + 10, top, playstate.barwidth, 28) != 0) {
      PanelHoverColour();
      if (MouseDown(1) != 0) {
        AddaRoom();
        playstate.clicklatch = 2;
        playstate.editlayer = row - 1;
        playstate.unsaved = 1;
      }
    }
    Text(playstate.barx + 10, top, "Layer " + std::to_string(row), 0, 0);
  }
}

}  // namespace

void PanelDefaultColour() { SetCol(255, 255, 255, 1.0f); }
void PanelCurrentColour() { SetCol(255, 255, 0, 1.0f); }
void PanelHoverColour() { SetCol(0, 255, 255, 1.0f); }

int32_t PanelRowTop(int32_t row) {
  const double zoom = playstate.zoom;
  return static_cast<int32_t>(playstate.viewy + (32 * row * zoom - 16 * zoom));
}

bool EditNav() {
  SetSize(1.0f);
  UpdateLatch();
  if (playstate.overview != 1) return false;
  PanelDefaultColour();
  UseFont(2, 3);
  Text(playstate.basex + 900, playstate.basey + 28,
       "Room : " + std::to_string(pla->roomx) + "," + std::to_string(pla->roomy), 0, 0);
  RoomButtons();
  LayerButtons();
  return true;
}
