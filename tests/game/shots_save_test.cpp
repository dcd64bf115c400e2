// The player's shot (kind, start, direction, place in the list), the black
// bars beside the zoomed-out room and the death check.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "framework/draw.h"
#include "game/game_state.h"
#include "game/player.h"
#include "game/shots_save.h"
#include "level/rooms.h"
#include "platform/audio.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

using testgraphics::Op;

constexpr int kFire = 90, kDown = 40, kJump = 88, kLeft = 37;
constexpr int32_t kShotSound = 1, kDeathSound = 14;
constexpr int32_t BAT = 160;

class ShotsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    testutil::OpenTestScreen();
    SetDefaultControls();
    CreateSoundTables();
    Options[11] = Options[12] = 100;
    LChan = 20;
    const std::string wav = ::testing::TempDir() + "shots_effect-" + std::to_string(::getpid()) + ".wav";
    testutil::WriteWav(wav, 2205);
    for (int32_t effect : {kShotSound, 3, kDeathSound}) sfx[effect] = LoadSound(wav);
    std::remove(wav.c_str());
    testbackend::ClearAudioCalls();

    playstate = PlayState{};
    playstate.zoom = 7.0f;
    endoflevel = 0;
    ThisRoom = std::make_shared<layout>();
    ClearList(objects);
    pla = std::make_shared<ect>();
    pla->x = 77;
    pla->layer = 4;
    pla->roomx = 2;
    pla->roomy = 3;
    pla->health = 100;
    pla->d = 1;
    ListAddLast(objects, pla);
    bat = std::make_shared<ect>();
    bat->t = BAT;
    ListAddLast(objects, bat);
  }

  static int Played(int32_t n) {
    int count = 0;
    for (const auto& call : testbackend::AudioCalls()) {
      if (call.op == "CueSound" && call.a == sfx[n]) ++count;
    }
    return count;
  }

  static std::vector<std::shared_ptr<ect>> Things() {
    std::vector<std::shared_ptr<ect>> out;
    for (const auto& o : objects) out.push_back(o);
    return out;
  }

  std::shared_ptr<ect> bat;
};

// ---- the shot ------------------------------------------------------------------------

TEST_F(ShotsTest, ShotKindAndHeightFollowThePlayersState) {
  struct Case {
    const char* what;
    int32_t kind, jump, anim, y, d;
    int32_t t, shoty;
  };
  const std::vector<Case> cases = {
      {"standing", 1, 0, 0, 0, 1, 64, 0},
      {"walking, second kind", 2, 0, 1, 0, 1, 67, 0},
      {"crouched facing left", 1, 0, 5, 0, -1, 65, 0},
      {"crouched, second kind", 2, 0, 5, 0, 1, 68, 0},
      {"jump start", 1, 5, 0, 0, 1, 66, -1},
      {"rising", 1, 45, 3, 0, 1, 66, -11},
      {"truncated, not rounded", 1, 60, 3, 0, 1, 66, -13},
      {"top of the arc", 2, 90, 3, 0, -1, 69, -16},
      {"hanging from a grip", 1, 95, 3, 0, 1, 66, -15},
      {"falling", 1, 175, 3, 0, 1, 66, -1},
      {"last frame of the arc", 1, 180, 3, 0, 1, 66, 0},
      {"climbing", 1, 0, 1, 40, 1, 66, 40},
      {"dropping, second kind", 2, 0, 0, -61, -1, 69, -61},
      {"crouch flag with a jump", 1, 30, 5, 0, 1, 65, -7},
  };
  for (const Case& c : cases) {
    SetUp();
    pla->ammo[8] = c.kind;
    playstate.firekind = c.kind;
    playstate.fireslot = 8;
    pla->jump = c.jump;
    pla->anim = c.anim;
    pla->y = c.y;
    pla->d = c.d;
    SpawnShot();
    const auto things = Things();
    ASSERT_EQ(things.size(), 3u) << c.what;
    const ect& shot = *things[0];
    EXPECT_EQ(obj, things[0]) << c.what;
    EXPECT_EQ(things[1], pla) << c.what;
    EXPECT_EQ(things[2], bat) << c.what;
    EXPECT_EQ(shot.t, c.t) << c.what;
    EXPECT_EQ(shot.y, c.shoty) << c.what;
    EXPECT_EQ(shot.x, 77) << c.what;
    EXPECT_EQ(shot.layer, 4) << c.what;
    EXPECT_EQ(shot.roomx, 2) << c.what;
    EXPECT_EQ(shot.roomy, 3) << c.what;
    EXPECT_EQ(shot.d, c.d) << c.what;
    EXPECT_EQ(shot.gx, 2 * c.d) << c.what;
    EXPECT_EQ(shot.jump + shot.tick + shot.tickreset + shot.dead + shot.anim, 0) << c.what;
    EXPECT_EQ(pla->ammo[8], 0) << c.what;
    EXPECT_EQ(Played(kShotSound), 1) << c.what;
  }
}

TEST_F(ShotsTest, ControlsPickTheShotThroughTheFrame) {
  struct Case {
    const char* what;
    std::vector<int> keys;
    int32_t jump;
    int32_t t, y, d;
  };
  const std::vector<Case> cases = {
      {"standing", {kFire}, 0, 64, 0, 1},
      {"crouched, turned left", {kFire, kDown, kLeft}, 0, 65, 0, -1},
      {"jump start", {kFire, kJump}, 0, 66, -1, 1},
      {"hanging", {kFire, kJump}, 95, 66, -15, 1},
  };
  for (const Case& c : cases) {
    SetUp();
    for (int32_t slot = 0; slot < 24; ++slot) pla->ammo[slot] = 1;
    playstate.firekind = 1;
    playstate.fireslot = 23;
    pla->jump = c.jump;
    for (int k : c.keys) testbackend::PressKey(k);
    PlayerCell();
    ASSERT_TRUE(PlayerMove()) << c.what;
    SpawnShot();
    const ect& shot = *Things().front();
    EXPECT_EQ(shot.t, c.t) << c.what;
    EXPECT_EQ(shot.y, c.y) << c.what;
    EXPECT_EQ(shot.d, c.d) << c.what;
    EXPECT_EQ(shot.gx, 2 * c.d) << c.what;
    EXPECT_EQ(pla->ammo[23], 0) << c.what;
  }
}

// ---- the letterbox -------------------------------------------------------------------

TEST_F(ShotsTest, LetterboxCoversTheFieldBesideTheZoomedRoom) {
  struct Case {
    float zoom;
    int32_t basex, basey;
    int32_t barwidth, barx;
    float w, rightx;
  };
  const std::vector<Case> cases = {
      {6.5f, 0, 1, 46, 1242, 46.0f, 1242.0f},
      {6.083333f, 0, 1, 84, 1203, 84.33337f, 1203.6666f},
      {4.0f, 0, 1, 276, 1012, 276.0f, 1012.0f},
      {4.0f, 160, 1, 276, 1172, 276.0f, 1172.0f},
      {6.945658f, 80, 1, 4, 1363, 4.99946f, 1363.0005f},
  };
  for (const Case& c : cases) {
    testgraphics::ClearDraws();
    playstate.zoom = c.zoom;
    playstate.basex = c.basex;
    playstate.basey = c.basey;
    CheckDeath();
    EXPECT_EQ(playstate.barwidth, c.barwidth) << c.zoom;
    EXPECT_EQ(playstate.barx, c.barx) << c.zoom;
    const auto rects = testgraphics::DrawsOf(Op::Rect);
    ASSERT_EQ(rects.size(), 2u) << c.zoom;
    const float left[2] = {static_cast<float>(c.basex), c.rightx};
    for (int i = 0; i < 2; ++i) {
      EXPECT_NEAR(rects[i].x, left[i], 0.001f) << c.zoom;
      EXPECT_EQ(rects[i].y, static_cast<float>(c.basey));
      EXPECT_NEAR(rects[i].w, c.w, 0.001f) << c.zoom;
      EXPECT_EQ(rects[i].h, 896.0f);
      EXPECT_EQ(rects[i].r + rects[i].g + rects[i].b, 0);
      EXPECT_EQ(rects[i].alpha, 1.0f);
      EXPECT_EQ(rects[i].scale_x, 1.0f);
    }
  }
}

TEST_F(ShotsTest, NoBarsAtThePlayZoomAndTheLastBarsStay) {
  playstate.zoom = 4.0f;
  CheckDeath();
  SetCol(10, 20, 30, 0.5f);
  SetScale(4.0f, 4.0f);
  playstate.zoom = 7.0f;
  testgraphics::ClearDraws();
  CheckDeath();
  EXPECT_TRUE(testgraphics::DrawsOf(Op::Rect).empty());
  EXPECT_EQ(playstate.barwidth, 276);
  EXPECT_EQ(playstate.barx, 1012);
  // The draw state is back to plain white at scale 1.
  DrawRect(0, 0, 1, 1);
  const auto rect = testgraphics::DrawsOf(Op::Rect).at(0);
  EXPECT_EQ(rect.r + rect.g + rect.b, 765);
  EXPECT_EQ(rect.alpha, 1.0f);
  EXPECT_EQ(rect.scale_x, 1.0f);
}

// ---- the death check -----------------------------------------------------------------

TEST_F(ShotsTest, DeathCheckEndsThePlayedLevelOnceWithOneSound) {
  struct Case {
    int32_t health, endoflevel;
    int32_t wantHealth, wantEnd, sounds;
  };
  const std::vector<Case> cases = {
      {1, 0, 1, 0, 0},   {100, 0, 100, 0, 0}, {0, 0, 0, 2, 1},
      {-480, 0, 0, 2, 1}, {-5, 1, 0, 1, 0},   {-5, 2, 0, 2, 0},
  };
  for (const Case& c : cases) {
    SetUp();
    pla->health = c.health;
    endoflevel = c.endoflevel;
    for (int frame = 0; frame < 3; ++frame) CheckDeath();
    EXPECT_EQ(pla->health, c.wantHealth) << c.health << "/" << c.endoflevel;
    EXPECT_EQ(endoflevel, c.wantEnd) << c.health << "/" << c.endoflevel;
    EXPECT_EQ(Played(kDeathSound), c.sounds) << c.health << "/" << c.endoflevel;
  }
}

}  // namespace
