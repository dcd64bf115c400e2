// The end of a level: the banner, the bonus count-up and its rhythm, the
// decision on what follows, the move to the next level of the pack and the
// record of a finished game.
#include <string>
#include <vector>

#include "framework/globals.h"
#include "game/game_state.h"
#include "game/level_end.h"
#include "game_test_util.h"
#include "level/level_browser.h"
#include "level/rooms.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/test/test_graphics.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"
#include "map/map_screen.h"
#include "platform/test/test_input.h"

namespace {

using gametest::GameTest;
using testgraphics::Op;

class LevelEndTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    ClearList(levels);
    pla = std::make_shared<ect>();
    pla->health = 100;
    for (int slot = 0; slot < 24; ++slot) pla->ammo[slot] = 1;
    playstate = PlayState{};
    endoflevel = 0;
    endotick = 0;
  }

  // The ammunition scan the heads-up display runs before the level end.
  static void ScanAmmo() {
    playstate.firekind = 0;
    playstate.fireslot = 0;
    for (int32_t slot = 0; slot < 360; ++slot) {
      if (pla->ammo[slot] > 0) {
        playstate.firekind = pla->ammo[slot];
        playstate.fireslot = slot;
      }
    }
  }

  // Frames of the level end until the decision, counting the frame of the
  // cross as frame 1; 0 when it never came within `limit` frames.
  int FramesToDecision(int limit) {
    for (int frame = 1; frame <= limit; ++frame) {
      if (editmode == 1) pla->health = 999;
      ScanAmmo();
      LevelEnd();
      if (playstate.loopexit != 0) return frame;
    }
    return 0;
  }

  static void AddPack(const std::vector<std::string>& titles) {
    for (const auto& title : titles) {
      auto g = std::make_shared<game>();
      g->name = title + ".xml";
      g->Title = title;
      ListAddLast(levels, g);
    }
  }

  static std::vector<testgraphics::DrawRecord> Texts() { return testgraphics::DrawsOf(Op::Text); }
};

TEST_F(LevelEndTest, TheBannerIsCentredOnItsAnchorsWithAShadowAtEachWidth) {
  struct Case {
    int w, h;
    int hx, hy, sx, sy, tx, ty;
  };
  const std::vector<Case> cases = {
      {1280, 960, 640, 144, 447, 403, 831, 556},
      {1600, 900, 800, 135, 559, 377, 1039, 521},
      {1440, 900, 720, 135, 503, 377, 935, 521},
  };
  for (int state : {1, 2}) {
    for (const Case& c : cases) {
      JScrw = c.w;
      JScrh = c.h;
      endoflevel = state;
      endotick = 5;
      testgraphics::ClearDraws();
      LevelEnd();
      const auto texts = Texts();
      ASSERT_GE(texts.size(), 6u);
      const std::vector<std::string> want =
          state == 1 ? std::vector<std::string>{"Level Complete", "Imra Found", "Another Cross"}
                     : std::vector<std::string>{"Game Over", "Poor", "Imra"};
      const int anchors[3][2] = {{c.hx, c.hy}, {c.sx, c.sy}, {c.tx, c.ty}};
      for (int i = 0; i < 6; ++i) {
        const auto& rec = texts[i];
        const int line = i % 3;
        const int shift = i < 3 ? 3 : 0;
        EXPECT_EQ(rec.text, want[line]);
        SCOPED_TRACE(rec.text + " at " + std::to_string(c.w));
        EXPECT_EQ(static_cast<int>(rec.x), anchors[line][0] + shift - TextWidth(rec.text) / 2);
        EXPECT_EQ(static_cast<int>(rec.y), anchors[line][1] + shift - TextHeight(rec.text) / 2);
        if (i < 3) {
          EXPECT_EQ(rec.r, 0);
          EXPECT_FLOAT_EQ(rec.alpha, 0.75f);
        } else {
          EXPECT_EQ(rec.r, 255);
          EXPECT_FLOAT_EQ(rec.alpha, 1.0f);
        }
      }
    }
  }
}

TEST_F(LevelEndTest, ThePlayerIsHeldAndHoversOnlyOnACompletedLevel) {
  pla->gx = 1;
  pla->jumpx = -1;
  pla->jump = 100;
  endoflevel = 2;
  LevelEnd();
  EXPECT_EQ(pla->gx, 0);
  EXPECT_EQ(pla->jumpx, 0);
  EXPECT_EQ(pla->jump, 100);
  endoflevel = 1;
  LevelEnd();
  EXPECT_EQ(pla->jump, 30);
  endoflevel = 0;
  pla->jump = 55;
  endotick = 0;
  LevelEnd();
  EXPECT_EQ(pla->jump, 55);
  EXPECT_EQ(endotick, 0);
}

TEST_F(LevelEndTest, BonusesDrainHealthThenAmmunitionAndNeverReachTheScore) {
  JScrw = 1280;
  JScrh = 960;
  AddPack({"A"});
  GameMode = 0;
  pla->score = 1234;
  pla->ammo[40] = 2;  // 24 of kind 1 and one of kind 2 on top
  endoflevel = 1;
  playstate.healthbonus = 999;  // cleared in the first banner frame
  const int frames = FramesToDecision(1000);
  // health 100 and 25 slots: frame h + k + 118.
  EXPECT_EQ(frames, 100 + 25 + 118);
  EXPECT_EQ(playstate.healthbonus, 500);
  EXPECT_EQ(playstate.ammobonus, 24 * 5 + 10);
  EXPECT_EQ(pla->health, 0);
  EXPECT_EQ(pla->score, 1234);
  for (int slot = 0; slot < 360; ++slot) EXPECT_EQ(pla->ammo[slot], 0) << slot;
}

TEST_F(LevelEndTest, CountUpRhythmTable) {
  struct Case {
    int health;
    int slots;
    int decisionFrame;
  };
  const std::vector<Case> cases = {
      {100, 24, 242}, {1, 0, 119}, {0, 0, 120}, {0, 3, 123}, {5, 2, 125},
  };
  AddPack({"A"});
  GameMode = 0;
  for (const Case& c : cases) {
    pla->health = c.health;
    pla->ammo.fill(0);
    for (int slot = 0; slot < c.slots; ++slot) pla->ammo[slot] = 1;
    endoflevel = 1;
    endotick = 0;
    playstate.loopexit = 0;
    playstate.levelstep = 0;
    EXPECT_EQ(FramesToDecision(1000), c.decisionFrame) << c.health << " health, " << c.slots << " slots";
  }
}

TEST_F(LevelEndTest, TheCountUpLinesShowTheCountersOneFrameBehind) {
  JScrw = 1600;
  JScrh = 900;
  endoflevel = 1;
  ScanAmmo();
  LevelEnd();
  testgraphics::ClearDraws();
  ScanAmmo();
  LevelEnd();
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 10u);
  // Shadows, then the pale yellow health line and the pale cyan ammunition line.
  EXPECT_EQ(texts[6].text, "Health Bonus : 5");
  EXPECT_EQ(static_cast<int>(texts[6].y), 577 - TextHeight(texts[6].text) / 2);
  EXPECT_EQ(texts[8].text, "Health Bonus : 5");
  EXPECT_EQ(static_cast<int>(texts[8].x), 800 - TextWidth(texts[8].text) / 2);
  EXPECT_EQ(static_cast<int>(texts[8].y), 575 - TextHeight(texts[8].text) / 2);
  EXPECT_EQ((std::vector<int>{texts[8].r, texts[8].g, texts[8].b}), (std::vector<int>{255, 255, 100}));
  EXPECT_EQ(texts[9].text, "Ammo Bonus : 0");
  EXPECT_EQ(static_cast<int>(texts[9].y), 620 - TextHeight(texts[9].text) / 2);
  EXPECT_EQ((std::vector<int>{texts[9].r, texts[9].g, texts[9].b}), (std::vector<int>{100, 255, 255}));
  EXPECT_EQ(playstate.healthbonus, 10);
}

TEST_F(LevelEndTest, AGameOverEndsTheGameAfter120FramesWithoutDraining) {
  AddPack({"A", "B"});
  GameMode = 0;
  pla->health = 0;
  endoflevel = 2;
  EXPECT_EQ(FramesToDecision(1000), 120);
  EXPECT_EQ(playstate.loopexit, 1);
  EXPECT_EQ(playstate.levelstep, 1);
  EXPECT_EQ(pla->ammo[23], 1);
  EXPECT_EQ(playstate.ammobonus, 0);
}

TEST_F(LevelEndTest, TheOwnLevelCompletesInsteadOfDrainingForEver) {
  AddPack({"A", "xx - Your Level"});
  GameMode = 1;
  editmode = 1;
  endoflevel = 1;
  const int frames = FramesToDecision(1000);
  EXPECT_EQ(frames, 24 + 120);
  EXPECT_EQ(playstate.loopexit, 1);
  editmode = 0;
}

TEST_F(LevelEndTest, TheNextLevelIsCountedOverTheSameListTheWalkUses) {
  struct Case {
    std::vector<std::string> pack;
    int start;
    std::vector<std::string> then;  // levels that follow, in order
  };
  const std::string own = "xx - Your Level";
  const std::vector<Case> cases = {
      {{"A", "B", "C", own}, 0, {"B", "C"}},
      {{"A", "B", "C"}, 0, {"B", "C"}},
      {{"A", own, "B", "C", "D"}, 2, {"C", "D"}},
      {{own, "A", "B"}, 0, {"A", "B"}},
      {{"A", own, own, "B"}, 0, {"B"}},
      {{"A", "B", own}, 2, {}},
      {{"A"}, 0, {}},
  };
  for (const Case& c : cases) {
    ClearList(levels);
    AddPack(c.pack);
    std::vector<std::string> got;
    for (int step = 1; step < 10; ++step) {
      auto next = NextLevelAfter(c.start, step);
      if (!next) break;
      got.push_back(next->Title);
    }
    EXPECT_EQ(got, c.then) << "start " << c.start;
  }
}

TEST_F(LevelEndTest, AnAdvanceResetsThePlayerForTheNextLevelAndKeepsTheScore) {
  const char* second =
      "<title>02 - Next</title>\n<author>T</author>\n<from>10,10</from>\n<to>20,20</to>\n"
      "<room>\n<position>0,0</position>\n<top>\n<layer>\n5:bat\n</layer>\n</top>\n</room>\n";
  gametest::WriteBytes(Paths.levels + "next.xml", second);
  AddPack({"01 - First"});
  auto next = std::make_shared<game>();
  next->name = "next.xml";
  next->Title = "02 - Next";
  ListAddLast(levels, next);
  GameMode = 0;
  KeyV[10] = 90;
  // Fire leaves the map screen once it is shown.
  everyFrame = [] {
    if (mapstate.fadeTick == 0) testbackend::PressKey(90);
    else testbackend::ReleaseKey(90);
  };
  pla->x = 150;
  pla->y = -20;
  pla->jump = 30;
  pla->layer = 4;
  pla->roomx = 2;
  pla->roomy = 1;
  pla->health = 0;
  pla->score = 4321;
  pla->d = -1;
  pla->inv[19] = 104;
  pla->ammo.fill(0);
  playstate.overview = 1;
  playstate.zoom = 5.0f;
  playstate.editlayer = 3;
  playstate.edititem = 160;
  endoflevel = 1;
  endotick = 119;
  LevelEnd();
  EXPECT_EQ(Uselevel, next);
  EXPECT_EQ(playstate.loopexit, 0);
  EXPECT_EQ(playstate.levelstep, 1);
  EXPECT_EQ(endoflevel, 0);
  EXPECT_EQ(endotick, 0);
  EXPECT_EQ(playstate.newroom, 1);
  EXPECT_EQ(playstate.zoom, 7.0f);
  EXPECT_EQ(playstate.overview, 0);
  EXPECT_EQ(playstate.editlayer, 0);
  EXPECT_EQ(playstate.edititem, 42);
  EXPECT_EQ(editmode, 0);
  const std::vector<std::pair<int32_t, int32_t>> fields = {
      {pla->x, 20}, {pla->y, 0}, {pla->jump, 0}, {pla->layer, 2}, {pla->roomx, 0},
      {pla->roomy, 0}, {pla->health, 100}, {pla->score, 4321}, {pla->d, -1}, {pla->inv[19], 0}};
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(fields[i].first, fields[i].second) << i;
  for (int slot = 0; slot < 360; ++slot) EXPECT_EQ(pla->ammo[slot], slot < 24 ? 1 : 0) << slot;
  // The next level's rooms are loaded; its creatures come at the next frame head.
  EXPECT_EQ(CountList(rooms), 2);
}

}  // namespace
