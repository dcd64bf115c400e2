#include "map/map_screen.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "framework/backdrop.h"
#include "framework/controls.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/pause.h"
#include "framework/pump.h"
#include "framework/sound.h"
#include "game/game_assets.h"
#include "game/game_state.h"
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
float fff = 0.0f;
std::shared_ptr<ve> dri;

namespace {

constexpr int32_t kFadeFrames = 60;
constexpr float kFadeStep = 1.0f / 60.0f;
constexpr int32_t kMapScale = 7;
constexpr int32_t kMapGrey = 150;
constexpr int32_t kStartAction = 10;
constexpr int32_t kLineSpacing = 50;
constexpr int32_t kTrailFrames = 12;
constexpr int32_t kWaypointHit = 16;
constexpr int32_t kStoryLines = 99;
constexpr int32_t kMarkerFrame = 27, kTrailFrame = 28, kBuggyFrame = 29;

// Set when the pause menu opened on this screen was left with Quit.
int32_t quitChosen = 0;

std::string Num9(float v) {
  char buf[64];
  std::snprintf(buf, sizeof buf, "%#.9g", static_cast<double>(v));
  return buf;
}

// A map point scaled to screen pixels. Level files may hold any 32-bit map
// point, and seven times one of them need not fit in 32 bits.
double Scaled(int32_t mapPoint) { return static_cast<double>(mapPoint) * kMapScale; }

// A screen position, truncated toward zero, held within the 32-bit range: a
// point that far off the map is drawn far off the screen.
int32_t ScreenPixel(double p) {
  constexpr double kLow = std::numeric_limits<int32_t>::min();
  constexpr double kHigh = std::numeric_limits<int32_t>::max();
  if (std::isnan(p)) return 0;
  return static_cast<int32_t>(std::clamp(p, kLow, kHigh));
}

// The remainder that keeps the dividend's sign, moved into 0..360.
float Normalised(float angle) {
  float a = std::fmod(angle, 360.0f);
  if (!(a >= 0.0f)) a += 360.0f;
  return a;
}

void SetUpScreen() {
  MapScreenState& m = mapstate;
  m = MapScreenState{};
  quitChosen = 0;
  SeedRnd(MilliSecs());
  m.scrollY = static_cast<float>(JScrh);
  m.buggyX = static_cast<float>(Scaled(Uselevel->SX));
  m.buggyY = static_cast<float>(Scaled(Uselevel->SY));
  // The first draw only moves the shared sequence on; the waypoint takes
  // the two after it.
  Rand(360, 1);
  m.buggyAngle = 128.0f;
  m.wayX = static_cast<float>(Rand(16, 174) * kMapScale);
  m.wayY = static_cast<float>(Rand(16, 128) * kMapScale);
  m.wayCount = 0;
  m.trailTick = 32;
  ClearList(driving);
  m.arrived = 0;
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

// The two map pictures on one origin, the destination marker and the trail.
void MapPictures() {
  MapScreenState& m = mapstate;
  const int32_t left = JScrw / 2 - 672;
  const int32_t top = JScrh / 2 - 504;
  SetSize(static_cast<float>(kMapScale));
  drawimg(map_I, left, top, 0, kDrawMain);
  // The second picture brightens in over the first 1000 frames and fades
  // out with the rest.
  if (m.fadeTick <= 0) {
    SetCol(kMapGrey, kMapGrey, kMapGrey, static_cast<float>(1000 - std::abs(m.glowTick)) * 0.001f);
  } else {
    SetCol(kMapGrey, kMapGrey, kMapGrey, m.fadeAlpha);
  }
  SetSize(1.75f);
  drawimg(mapb_I, left, top, 0, kDrawMain);
  m.mapLeft = left;
  m.mapTop = top;
  SetSize(4.0f);
  SetCol(255, 255, 255, m.fadeAlpha);
  drawimg(gfx, ScreenPixel(m.mapLeft + Scaled(level->EX) - 16), ScreenPixel(m.mapTop + Scaled(level->EY) - 16),
          kMarkerFrame, kDrawMain);
  SetSize(2.0f);
  for (const auto& dot : driving) {
    dri = dot;
    SetRot(static_cast<float>(dot->ang));
    drawimg(gfx, ScreenPixel(static_cast<double>(m.mapLeft) + dot->x - 8),
            ScreenPixel(static_cast<double>(m.mapTop) + dot->y - 8), kTrailFrame, kDrawMain);
  }
}

void DrawBuggy() {
  const MapScreenState& m = mapstate;
  SetSize(4.0f);
  SetRot(m.buggyAngle);
  drawimg(gfx, ScreenPixel(static_cast<float>(m.mapLeft) + m.buggyX - 16.0f),
          ScreenPixel(static_cast<float>(m.mapTop) + m.buggyY - 16.0f), kBuggyFrame, kDrawMain);
}

void NextWaypoint() {
  MapScreenState& m = mapstate;
  ++m.wayCount;
  if (m.wayCount < 4) {
    m.wayX = static_cast<float>(Rand(16, 174) * kMapScale);
    m.wayY = static_cast<float>(Rand(16, 128) * kMapScale);
  }
  if (m.wayCount > 3) {
    m.wayX = static_cast<float>(Scaled(Uselevel->EX));
    m.wayY = static_cast<float>(Scaled(Uselevel->EY));
  }
  if (m.wayCount > 4) m.arrived = 1;
}

// The buggy jitters its way through four random waypoints to the level's
// end point, dropping a trail dot every 12 frames.
void Drive() {
  MapScreenState& m = mapstate;
  m.buggyX = static_cast<float>(static_cast<double>(m.buggyX) + Sin(m.buggyAngle) * 2.0);
  m.buggyY = static_cast<float>(static_cast<double>(m.buggyY) - Cos(m.buggyAngle) * 2.0);
  if (--m.trailTick == 0) {
    m.trailTick = kTrailFrames;
    dri = std::make_shared<ve>();
    dri->x = ScreenPixel(m.buggyX + 8.0f);
    dri->y = ScreenPixel(m.buggyY + 8.0f);
    dri->ang = static_cast<int32_t>(m.buggyAngle);
    ListAddLast(driving, dri);
  }
  float target = static_cast<float>(ATan2(m.wayX - m.buggyX, m.buggyY - m.wayY));
  target = Normalised(target);
  m.buggyAngle = Normalised(m.buggyAngle);
  // Turn through the smaller angle.
  if (std::fabs(target + 360.0f - m.buggyAngle) < 180.0f) target += 360.0f;
  if (std::fabs(m.buggyAngle + 360.0f - target) < 180.0f) m.buggyAngle += 360.0f;
  if (target < m.buggyAngle) {
    m.buggyAngle = static_cast<float>(static_cast<double>(m.buggyAngle) - Rnd(0.2f, 3.5));
  }
  if (target > m.buggyAngle) {
    m.buggyAngle = static_cast<float>(static_cast<double>(m.buggyAngle) + Rnd(0.2f, 3.5));
  }
  if (std::fabs(m.buggyX - m.wayX) < kWaypointHit && std::fabs(m.buggyY - m.wayY) < kWaypointHit) NextWaypoint();
}

// A line with its black shadow, both at the line's fade times the screen's.
void ShadowedLine(int32_t x, float y, const std::string& s, int32_t r, int32_t g, int32_t b) {
  const MapScreenState& m = mapstate;
  SetCol(0, 0, 0, fff / 2.0f * m.fadeAlpha);
  Text(x + 2, static_cast<int32_t>(y + 2.0f), s, 1, 1);
  SetCol(static_cast<float>(r), static_cast<float>(g), static_cast<float>(b), fff * m.fadeAlpha);
  Text(x, static_cast<int32_t>(y), s, 1, 1);
}

// The title, the author and the story rise over the map; each story line
// fades out through the upper half of the screen, and the title and author
// fade with the last of them.
void Texts() {
  MapScreenState& m = mapstate;
  DebugLog(StrF(m.scrollY) + ":" + Uselevel->Title);
  SetRot(0.0f);
  SetSize(1.0f);
  const int32_t room = JScrw - 200;
  UseFont(2, 8);
  if (TextWidth(Uselevel->Title) > room) UseFont(2, 7);
  if (TextWidth(Uselevel->Title) > room) UseFont(2, 6);
  // Without a story nothing would set the fade, and the title could stay
  // invisible.
  if (Uselevel->store == 0) fff = 1.0f;
  ShadowedLine(JScrw / 2, m.scrollY, Uselevel->Title, 200, 255, 255);
  UseFont(2, 4);
  ShadowedLine(static_cast<int32_t>(static_cast<float>(JScrw) * 0.75f),
               m.scrollY + 1.2f * static_cast<float>(h), Uselevel->author, 200, 255, 255);
  UseFont(2, 5);
  SetSize(1.0f);
  h = kLineSpacing;
  const int32_t lines = Uselevel->store;
  const float half = static_cast<float>(JScrh) * 0.5f;
  for (n = 1; n <= lines; ++n) {
    fff = 1.0f;
    const float lineY = m.scrollY + static_cast<float>((n + 2) * h);
    if (lineY < half) {
      fff = 1.0f - (half - lineY) / (static_cast<float>(JScrh) * 0.4f);
      if (fff < 0.0f) fff = 0.0f;
    }
    // Lines past the 99 a level keeps scroll by empty, so the block keeps
    // its length.
    static const std::string kEmpty;
    const std::string& text = n <= kStoryLines ? Uselevel->Story[n] : kEmpty;
    ShadowedLine(JScrw / 2, lineY, text, 255, 255, 255);
  }
  if (m.scrollY + static_cast<float>((n + 2) * h) < 150.0f && m.arrived == 1 && m.fadeTick == 0) m.fadeTick = 1;
}

void StartKey() {
  MapScreenState& m = mapstate;
  // Fire counts only after it has been seen up on this screen, so a press
  // that started the game does not skip the map.
  if (PlayKey(kStartAction, 1) == 0) m.startLatch = 0;
  if (PlayKey(kStartAction, 1) != 0 && m.fadeTick == 0 && m.startLatch == 0) m.fadeTick = 1;
}

void MusicVolume() {
  MapScreenState& m = mapstate;
  // Setup.ini may hold any percentages; the product is taken in 64 bits.
  const int64_t percent = static_cast<int64_t>(Options[13]) * static_cast<int64_t>(Options[11]);
  fvf = static_cast<float>(static_cast<double>(percent) / 100.0 / 100.0);
  DebugLog(Num9(fvf) + ":" + Num9(fvf * m.fadeAlpha));
  fvf = fvf * m.fadeAlpha;
  if (MusicChannel != 0 && m.fadeTick > 0 && ChannelPlaying(MusicChannel)) SetChannelVolume(MusicChannel, fvf);
}

// Quit in the pause menu leaves the screen at once: the fade-out starts
// from the alpha this frame was drawn with. A quit in the first frame, drawn
// at alpha 0, leaves nothing to fade, and the screen ends with that frame.
void QuitChosen() {
  MapScreenState& m = mapstate;
  quitChosen = 1;
  if (m.fadeTick < 0) m.fadeTick = 1 - m.fadeTick;
  if (m.fadeTick == 0) m.fadeTick = 1;
  if (m.fadeTick >= kFadeFrames) m.mapDone = 1;
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
  DrawBuggy();
  if (m.arrived == 0) Drive();
  Texts();
  StartKey();
  MusicVolume();
  if (fps(UseFPS, 0, 0) == kPauseQuit) QuitChosen();
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
  return quitChosen == 1 ? kPauseQuit : 0;
}
