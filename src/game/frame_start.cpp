// Every frame starts on a clean screen with the room's two backdrops painted behind it, zoomed in for play or eased out to the editor's overview.
#include "game/frame_start.h"

#include <cmath>
#include <cstdlib>

#include "framework/draw.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "level/rooms.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "startup/globals.h"

namespace {

constexpr int32_t kLevelTicks = 240;
// The editor's player cannot die and scores nothing.
constexpr int32_t kEditorHealth = 999;
constexpr int32_t kSpaceKey = 32;
constexpr float kOverviewZoom = 4.0f;
// Each frame the zoom covers a sixth of the way left and snaps once this close.
constexpr float kZoomSteps = 6.0f;
constexpr float kZoomSnap = 0.05f;
// Half the room in room pixels: the room's centre stays put at every settled zoom.
constexpr double kHalfRoomWidth = 92.0;
constexpr double kHalfRoomHeight = 64.0;
// Backdrop pictures are 160 room pixels wide, two frames each.
constexpr int32_t kBackdropWidth = 160;
constexpr int32_t kBackdropFrames = 2;

// Level files may hold any style or frame number; only real table slots and
// picture frames are ever drawn.
bool Drawable(int32_t style, int32_t frame) {
  return style >= 1 && style <= kLastStyle && frame >= 0 && frame < kBackdropFrames;
}

// |a*roomx + b*roomy| mod 160 in 32-bit arithmetic that wraps instead of
// overflowing.
int32_t BackdropShift(int32_t a, int32_t b) {
  const uint32_t sum = static_cast<uint32_t>(a) * static_cast<uint32_t>(pla->roomx) +
                       static_cast<uint32_t>(b) * static_cast<uint32_t>(pla->roomy);
  return static_cast<int32_t>(std::llabs(static_cast<int64_t>(static_cast<int32_t>(sum))) % kBackdropWidth);
}

}  // namespace

void FrameHead() {
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

void RoomOrigin() {
  // The zoom the last frame left: while it eases the origin lags the scale by
  // one step.
  const double shrink = 7.0 - static_cast<double>(playstate.zoom);
  playstate.viewx = static_cast<int32_t>(playstate.basex + shrink * kHalfRoomWidth);
  playstate.viewy = static_cast<int32_t>(playstate.basey + shrink * kHalfRoomHeight);
}

void OverviewZoom() {
  // Presses are used up every frame, so none waits for the editor.
  if (KeyHit(kSpaceKey) > 0 && editmode == 1 && playstate.titleedit == 0) {
    const float target = playstate.zoomto;
    if (target == kPlayZoom) {
      playstate.zoomto = kOverviewZoom;
      playstate.overview = 1;
      MoveVirtualMouse(static_cast<float>(JScrw / 2), static_cast<float>(JScrh / 2));
    }
    if (target == kOverviewZoom) {
      playstate.zoomto = kPlayZoom;
      playstate.overview = 0;
      MoveVirtualMouse(static_cast<float>(JScrw), static_cast<float>(JScrh));
    }
  }
  const float step = (playstate.zoom - playstate.zoomto) / kZoomSteps;
  playstate.zoom = playstate.zoom - step;
  if (std::fabs(playstate.zoom - playstate.zoomto) < kZoomSnap) playstate.zoom = playstate.zoomto;
}

void RoomScale() {
  ResetDraw();
  SetSize(playstate.zoom);
}

void DrawBackdrop() {
  const int32_t topshift = BackdropShift(37, 42);
  const int32_t botshift = BackdropShift(25, 57);
  const double zoom = playstate.zoom;
  const double width = kBackdropWidth * zoom;
  const int32_t boty = static_cast<int32_t>(kHalfRoomHeight * zoom + playstate.viewy);
  for (int32_t k = -1; k <= 1; ++k) {
    if (Drawable(ThisRoom->StyleTop, ThisRoom->BGTop)) {
      drawimg(BG[ThisRoom->StyleTop], static_cast<int32_t>(k * width + topshift * zoom + playstate.viewx),
              playstate.viewy, ThisRoom->BGTop, kDrawMain);
    }
    if (Drawable(ThisRoom->StyleBot, ThisRoom->BGBot)) {
      drawimg(BG[ThisRoom->StyleBot], static_cast<int32_t>(k * width + botshift * zoom + playstate.viewx), boty,
              ThisRoom->BGBot, kDrawMain);
    }
  }
}

void FrameStart() {
  FrameHead();
  RoomOrigin();
  OverviewZoom();
  RoomScale();
  DrawBackdrop();
}
