#include "map/map_screen.h"

#include <cmath>
#include <cstdio>

#include "framework/backdrop.h"
#include "framework/controls.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "framework/sound.h"
#include "game/game_assets.h"
#include "level/level_browser.h"
#include "platform/audio.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/runtime.h"
#include "settings/common_assets.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

MapScreenState mapstate;
float fvf = 0.0f;

namespace {

constexpr int32_t kFadeFrames = 60;
constexpr float kFadeStep = 1.0f / 60.0f;
constexpr int32_t kMapScale = 7;
constexpr int32_t kMapGrey = 150;
constexpr int32_t kStartAction = 10;
constexpr int32_t kLineSpacing = 50;

std::string Num9(float v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%#.9g", static_cast<double>(v));
  return buf;
}

void SetUpScreen() {
  MapScreenState& m = mapstate;
  m = MapScreenState{};
  SeedRnd(MilliSecs());
  m.scrollY = static_cast<float>(JScrh);
  m.buggyX = static_cast<float>(Uselevel->SX * kMapScale);
  m.buggyY = static_cast<float>(Uselevel->SY * kMapScale);
  // The first draw only moves the shared sequence on; the waypoint takes
  // the two after it.
  Rand(360, 1);
  m.wayX = static_cast<float>(Rand(16, 174) * kMapScale);
  m.wayY = static_cast<float>(Rand(16, 128) * kMapScale);
  ClearList(driving);
  level = Uselevel;
}

// The map music plays on, and starts again whenever it has ended.
void KeepMusic() {
  if (MusicChannel != 0 && !ChannelPlaying(MusicChannel)) MusicChannel = 0;
  if (MusicChannel == 0) PlayMusic(tune2);
}

void StepCounters() {
  MapScreenState& m = mapstate;
  if (m.fadeTick < 0) ++m.fadeTick;
  if (m.glowTick < 0) ++m.glowTick;
  if (m.fadeTick > 0) {
    ++m.fadeTick;
    if (m.fadeTick == kFadeFrames) m.mapDone = 1;
  }
}

void MapPictures() {
  MapScreenState& m = mapstate;
  const int32_t left = JScrw / 2 - 672;
  const int32_t top = JScrh / 2 - 504;
  SetSize(static_cast<float>(kMapScale));
  drawimg(map_I, left, top, 0, kDrawMain);
  if (m.fadeTick <= 0) {
    SetCol(kMapGrey, kMapGrey, kMapGrey, static_cast<float>(1000 - std::abs(m.glowTick)) * 0.001f);
  } else {
    SetCol(kMapGrey, kMapGrey, kMapGrey, m.fadeAlpha);
  }
  SetSize(1.75f);
  drawimg(mapb_I, left, top, 0, kDrawMain);
  m.mapLeft = left;
  m.mapTop = top;
  // The destination marker.
  SetSize(4.0f);
  SetCol(255, 255, 255, m.fadeAlpha);
  drawimg(gfx, m.mapLeft + kMapScale * level->EX - 16, m.mapTop + kMapScale * level->EY - 16, 27, kDrawMain);
}

// The buggy stands at the level's end point at once: the screen waits only
// for the story.
void Drive() {
  MapScreenState& m = mapstate;
  m.buggyX = static_cast<float>(Uselevel->EX * kMapScale);
  m.buggyY = static_cast<float>(Uselevel->EY * kMapScale);
  m.arrived = 1;
}

void Texts() {
  MapScreenState& m = mapstate;
  DebugLog(StrF(m.scrollY) + ":" + Uselevel->Title);
  UseFont(2, 8);
  SetSize(1.0f);
  SetCol(200, 255, 255, m.fadeAlpha);
  Text(JScrw / 2, static_cast<int32_t>(m.scrollY), Uselevel->Title, 1, 1);
  UseFont(2, 4);
  Text(static_cast<int32_t>(static_cast<float>(JScrw) * 0.75f),
       static_cast<int32_t>(m.scrollY + 1.2f * kLineSpacing), Uselevel->author, 1, 1);
  UseFont(2, 5);
  SetCol(255, 255, 255, m.fadeAlpha);
  const int32_t lines = Uselevel->store < 99 ? Uselevel->store : 99;
  for (int32_t k = 1; k <= lines; ++k) {
    Text(JScrw / 2, static_cast<int32_t>(m.scrollY + static_cast<float>((k + 2) * kLineSpacing)), Uselevel->Story[k],
         1, 1);
  }
}

void ExitTriggers() {
  MapScreenState& m = mapstate;
  const bool story_passed =
      m.scrollY + static_cast<float>((Uselevel->store + 3) * kLineSpacing) < 150.0f;
  if (story_passed && m.arrived == 1 && m.fadeTick == 0) m.fadeTick = 1;
  // Fire counts only after it has been seen up on this screen, so a press
  // that started the game does not skip the map.
  if (PlayKey(kStartAction, 1) == 0) m.startLatch = 0;
  if (PlayKey(kStartAction, 1) != 0 && m.fadeTick == 0 && m.startLatch == 0) m.fadeTick = 1;
}

void MusicVolume() {
  MapScreenState& m = mapstate;
  fvf = static_cast<float>(static_cast<double>(Options[13] * Options[11]) / 100.0 / 100.0);
  DebugLog(Num9(fvf) + ":" + Num9(fvf * m.fadeAlpha));
  fvf = fvf * m.fadeAlpha;
  if (MusicChannel != 0 && m.fadeTick > 0 && ChannelPlaying(MusicChannel)) SetChannelVolume(MusicChannel, fvf);
}

void MapFrame() {
  MapScreenState& m = mapstate;
  CLS3d(1);
  ResetDraw();
  KeepMusic();
  m.scrollY -= 0.5f;
  m.fadeAlpha = static_cast<float>(kFadeFrames - std::abs(m.fadeTick)) * kFadeStep;
  DrawStripedBackdrop(fbf);
  ResetDraw();
  if (m.fadeAlpha > 1.0f) m.fadeAlpha = 1.0f;
  if (!(m.fadeAlpha >= 0.0f)) m.fadeAlpha = 0.0f;
  SetCol(kMapGrey, kMapGrey, kMapGrey, m.fadeAlpha);
  StepCounters();
  MapPictures();
  if (m.arrived == 0) Drive();
  Texts();
  ExitTriggers();
  MusicVolume();
  // Quit in the pause menu does not end the map screen; the game begins.
  fps(UseFPS, 0, 0);
}

}  // namespace

int32_t DoTheMap() {
  SetUpScreen();
  do {
    MapFrame();
  } while (mapstate.mapDone != 1);
  if (MusicChannel != 0 && ChannelPlaying(MusicChannel)) {
    StopChannel(MusicChannel);
    MusicChannel = 0;
  }
  return 0;
}
