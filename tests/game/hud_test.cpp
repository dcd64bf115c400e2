// The heads-up display at 1280x960, 1600x900 and 1440x900: where the panels,
// texts, key icons and ammunition dots land, in which colour and font, and
// which key slot and firing slot its scans choose, drawn or not.
#include <algorithm>
#include <array>
#include <filesystem>
#include <string>
#include <vector>

#include "framework/draw.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game/hud.h"
#include "game_test_util.h"
#include "platform/graphics.h"
#include "platform/test/test_graphics.h"
#include "startup/globals.h"

namespace {

using testgraphics::DrawRecord;
using testgraphics::Op;

const char* const kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

struct Screen {
  int32_t w, h;
};
constexpr std::array<Screen, 3> kScreens = {{{1280, 960}, {1600, 900}, {1440, 900}}};

class HudTest : public gametest::GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    // The sprite sheet: 512 frames of 8x16.
    gfxf = testgraphics::MakeImage(256, 256, std::vector<uint32_t>(256 * 256, 0xFFFFFFFFu), 8, 16, 0, 512);
    ASSERT_NE(gfxf, 0);
    // The display's two fonts, face 2 at steps 3 (the bar's lines) and 6
    // (the side panels' captions), real where the system has the face so
    // that narrow and wide characters differ.
    if (std::filesystem::exists(kFontFile)) {
      Fontb[13] = LoadImageFont(kFontFile, 24);
      Fontb[16] = LoadImageFont(kFontFile, 52);
      ASSERT_NE(Fontb[13], 0);
      ASSERT_NE(Fontb[16], 0);
    }
    DrawMax[kDrawMain] = 5000;
    DrawMax[kDrawGlow] = 5000;
    pla = std::make_shared<ect>();
    pla->health = 100;
    for (int slot = 0; slot < 24; ++slot) pla->ammo[slot] = 1;
    playstate = PlayState{};
  }

  static void UseScreen(Screen s) {
    JScrw = s.w;
    JScrh = s.h;
    SetVirtualResolution(static_cast<float>(s.w), static_cast<float>(s.h));
  }

  // The display as the frame runs it: the drawing state the letterbox
  // leaves, then the three width tests.
  static void RunHud() {
    testgraphics::ClearDraws();
    DrawCount.fill(0);
    ResetDraw();
    Hud1280();
    Hud1600();
    Hud1440();
  }

  static std::vector<DrawRecord> Images(int frame_lo, int frame_hi) {
    std::vector<DrawRecord> out;
    for (const auto& d : testgraphics::DrawsOf(Op::Image))
      if (d.image == gfxf && d.frame >= frame_lo && d.frame <= frame_hi) out.push_back(d);
    return out;
  }
  static int Left(const DrawRecord& d) { return static_cast<int>(d.x - d.w * d.scale_x / 2); }
  static int Top(const DrawRecord& d) { return static_cast<int>(d.y - d.h * d.scale_y / 2); }
};

TEST_F(HudTest, EachWidthPaintsItsOwnDarkBluePanelsAndSetsTheViewOffsets) {
  struct Case {
    Screen screen;
    int32_t basex;
    std::vector<std::array<float, 4>> rects;
  };
  const std::vector<Case> cases = {
      {{1280, 960}, 0, {{0, 897, 1280, 63}}},
      {{1600, 900}, 160, {{0, 0, 160, 900}, {1440, 0, 160, 900}}},
      {{1440, 900}, 80, {{0, 0, 80, 900}, {1360, 0, 80, 900}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen.w);
    UseScreen(c.screen);
    playstate.basex = -7;
    playstate.basey = 0;
    RunHud();
    EXPECT_EQ(playstate.basex, c.basex);
    EXPECT_EQ(playstate.basey, 1);
    const auto rects = testgraphics::DrawsOf(Op::Rect);
    ASSERT_EQ(rects.size(), c.rects.size());
    for (size_t i = 0; i < rects.size(); ++i) {
      const DrawRecord& r = rects[i];
      EXPECT_EQ((std::array<float, 4>{r.x, r.y, r.w, r.h}), c.rects[i]) << i;
      EXPECT_EQ((std::array<int, 3>{r.r, r.g, r.b}), (std::array<int, 3>{0, 0, 80})) << i;
      EXPECT_EQ(r.alpha, 1.0f);
      EXPECT_EQ(r.scale_x, 1.0f);
      EXPECT_EQ(r.blend, ALPHABLEND);
    }
    // The rest of the frame draws at scale 1.
    float sx = 0, sy = 0;
    GetScale(sx, sy);
    EXPECT_EQ(sx, 1.0f);
    EXPECT_EQ(sy, 1.0f);
  }
}

TEST_F(HudTest, ThePanelKeepsTheAlphaItFinds) {
  // Only the bar's colour is set; a translucent state would show through.
  UseScreen({1280, 960});
  testgraphics::ClearDraws();
  ResetDraw();
  SetAlpha(0.25f);
  Hud1280();
  ASSERT_EQ(testgraphics::DrawsOf(Op::Rect).size(), 1u);
  EXPECT_EQ(testgraphics::DrawsOf(Op::Rect)[0].alpha, 0.25f);
}

TEST_F(HudTest, TheBarWritesTwelveScoreDigitsAndThreeHealthDigitsHeldAt999) {
  struct Case {
    int32_t score, health;
    std::string scoreline, healthline;
  };
  const std::vector<Case> cases = {
      {0, 100, "Score : 000000000000", "Health : 100"},
      {125, 75, "Score : 000000000125", "Health : 075"},
      {2147483647, 0, "Score : 002147483647", "Health : 000"},
      {40, 999, "Score : 000000000040", "Health : 999"},
      // Health has no ceiling; the display holds at 999.
      {0, 1000, "Score : 000000000000", "Health : 999"},
      {0, 1025, "Score : 000000000000", "Health : 999"},
      {0, 1024, "Score : 000000000000", "Health : 999"},
  };
  UseScreen({1280, 960});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.healthline);
    pla->score = c.score;
    pla->health = c.health;
    RunHud();
    const auto texts = testgraphics::DrawsOf(Op::Text);
    ASSERT_EQ(texts.size(), 2u);
    EXPECT_EQ(texts[0].text, c.scoreline);
    EXPECT_EQ(texts[1].text, c.healthline);
    EXPECT_EQ(pla->health, c.health);
    const std::array<std::array<int, 6>, 2> want = {{{20, 900, 0, 255, 0, Fontb[13]}, {20, 930, 255, 255, 0, Fontb[13]}}};
    for (size_t i = 0; i < 2; ++i) {
      const DrawRecord& t = texts[i];
      EXPECT_EQ((std::array<int, 6>{static_cast<int>(t.x), static_cast<int>(t.y), t.r, t.g, t.b, t.font}), want[i]);
      EXPECT_EQ(t.alpha, 1.0f);
      EXPECT_EQ(t.scale_x, 1.0f);
    }
  }
}

TEST_F(HudTest, WideScreensWriteHealthAndScoreDownTheLeftPanel) {
  struct Case {
    Screen screen;
    int32_t healthright, scoreleft;
  };
  const std::vector<Case> cases = {{{1600, 900}, 150, 10}, {{1440, 900}, 75, 5}};
  struct Values {
    int32_t score, health;
    std::string healthcaption, scorecaption;
  };
  const std::vector<Values> values = {
      {0, 100, "Health 100", "Score 000000000000"},
      {1234, 5, "Health 005", "Score 000000001234"},
      {2147483647, 0, "Health 000", "Score 002147483647"},
      {150, 1025, "Health 999", "Score 000000000150"},
  };
  for (const Case& c : cases) {
    UseScreen(c.screen);
    for (const Values& v : values) {
      SCOPED_TRACE(std::to_string(c.screen.w) + " " + v.healthcaption + " " + v.scorecaption);
      pla->score = v.score;
      pla->health = v.health;
      RunHud();
      const auto texts = testgraphics::DrawsOf(Op::Text);
      ASSERT_EQ(texts.size(), 28u);
      std::string health, score;
      for (size_t k = 0; k < 10; ++k) {
        const DrawRecord& t = texts[k];
        health += t.text;
        // Each character alone, its right edge on the anchor; the last one
        // 40 above the bottom edge.
        EXPECT_EQ(t.text.size(), 1u);
        EXPECT_EQ(static_cast<int>(t.x + t.w), c.healthright) << k;
        EXPECT_EQ(static_cast<int>(t.y), 900 - (10 - static_cast<int>(k)) * 40) << k;
        EXPECT_EQ((std::array<int, 4>{t.r, t.g, t.b, t.font}), (std::array<int, 4>{255, 255, 0, Fontb[16]}));
        EXPECT_EQ(t.alpha, 1.0f);
      }
      for (size_t k = 0; k < 18; ++k) {
        const DrawRecord& t = texts[10 + k];
        score += t.text;
        EXPECT_EQ(static_cast<int>(t.x), c.scoreleft) << k;
        EXPECT_EQ(static_cast<int>(t.y), static_cast<int>(k) * 40) << k;
        EXPECT_EQ((std::array<int, 4>{t.r, t.g, t.b, t.font}), (std::array<int, 4>{0, 255, 0, Fontb[16]}));
      }
      EXPECT_EQ(health, v.healthcaption);
      EXPECT_EQ(score, v.scorecaption);
    }
  }
  // A narrow and a wide character share the right edge: "1" and "0" of 100.
  if (Fontb[16] != 0) {
    SetImageFont(Fontb[16]);
    EXPECT_NE(TextWidth("H"), TextWidth("1"));
  }
}

TEST_F(HudTest, KeysShowAtTheirSlotsPlacesWhiteAtScale3) {
  struct Case {
    Screen screen;
    // slot, left, top
    std::vector<std::array<int, 3>> places;
  };
  const std::vector<Case> cases = {
      {{1280, 960}, {{0, 1048, 906}, {9, 760, 906}, {10, 1048, 874}, {19, 760, 874}, {4, 920, 906}}},
      {{1600, 900}, {{0, 1520, 40}, {9, 1520, 328}, {10, 1488, 40}, {19, 1488, 328}, {4, 1520, 168}}},
      {{1440, 900}, {{0, 1400, 40}, {9, 1400, 328}, {10, 1368, 40}, {19, 1368, 328}, {4, 1400, 168}}},
  };
  const std::array<int32_t, 5> keys = {104, 105, 106, 107, 105};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen.w);
    UseScreen(c.screen);
    pla->inv.fill(0);
    for (size_t i = 0; i < c.places.size(); ++i) pla->inv[c.places[i][0]] = keys[i];
    RunHud();
    const auto icons = Images(104, 107);
    ASSERT_EQ(icons.size(), c.places.size());
    // Drawn in slot order.
    std::vector<std::array<int, 3>> sorted = c.places;
    std::sort(sorted.begin(), sorted.end());
    for (size_t i = 0; i < icons.size(); ++i) {
      const DrawRecord& d = icons[i];
      EXPECT_EQ(d.frame, pla->inv[sorted[i][0]]);
      EXPECT_EQ((std::array<int, 3>{sorted[i][0], Left(d), Top(d)}), sorted[i]);
      EXPECT_EQ((std::array<float, 2>{d.scale_x, d.scale_y}), (std::array<float, 2>{3.0f, 3.0f}));
      EXPECT_EQ((std::array<int, 3>{d.r, d.g, d.b}), (std::array<int, 3>{255, 255, 255}));
      EXPECT_EQ(d.alpha, 1.0f);
    }
  }
}

TEST_F(HudTest, EveryAmmunitionSlotShowsItsDotAtItsPlace) {
  struct Case {
    Screen screen;
    float scale;
    // slot, left, top
    std::vector<std::array<int, 3>> places;
  };
  const std::vector<Case> cases = {
      {{1280, 960}, 1, {{0, 1270, 942}, {11, 1270, 887}, {12, 1264, 942}, {23, 1264, 887}, {24, 1258, 942},
                        {359, 1096, 887}}},
      {{1600, 900}, 2, {{0, 1578, 852}, {11, 1446, 852}, {12, 1578, 840}, {348, 1578, 504}, {359, 1446, 504}}},
      {{1440, 900}, 1, {{0, 1428, 874}, {11, 1362, 874}, {12, 1428, 868}, {348, 1428, 700}, {359, 1362, 700}}},
  };
  pla->ammo.fill(0);
  pla->ammo[0] = 1;
  pla->ammo[11] = 2;
  pla->ammo[12] = 3;  // never stored by the game: shown empty
  pla->ammo[359] = 1;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen.w);
    UseScreen(c.screen);
    RunHud();
    const auto dots = Images(99, 101);
    ASSERT_EQ(dots.size(), 360u);
    for (const auto& [slot, left, top] : c.places) {
      const DrawRecord& d = dots[slot];
      EXPECT_EQ((std::array<int, 3>{slot, Left(d), Top(d)}), (std::array<int, 3>{slot, left, top}));
      EXPECT_EQ(d.scale_x, c.scale);
      EXPECT_EQ(d.scale_y, c.scale);
    }
    std::array<int, 4> frames{};  // the dots of slots 0, 11, 12, 359
    frames = {dots[0].frame, dots[11].frame, dots[12].frame, dots[359].frame};
    EXPECT_EQ(frames, (std::array<int, 4>{99, 101, 100, 99}));
    int empty = 0;
    for (const auto& d : dots) empty += d.frame == 100;
    EXPECT_EQ(empty, 357);
  }
}

TEST_F(HudTest, ScansFindTheSameSlotsAtEveryWidthDrawnOrSkipped) {
  struct Inventory {
    const char* name;
    std::array<int32_t, 20> inv;
    int32_t freeslot;
  };
  auto keys = [](std::initializer_list<std::pair<int, int32_t>> set) {
    std::array<int32_t, 20> a{};
    for (const auto& [slot, v] : set) a[slot] = v;
    return a;
  };
  auto fullBut = [](std::initializer_list<int> empty) {
    std::array<int32_t, 20> a{};
    a.fill(104);
    for (int slot : empty) a[slot] = 0;
    return a;
  };
  std::array<int32_t, 20> negative = fullBut({});
  negative[18] = -3;  // neither free nor drawn
  const std::vector<Inventory> inventories = {
      {"empty", {}, 19},
      {"full", fullBut({}), -1},
      {"one key of each kind", keys({{19, 104}, {18, 105}, {17, 106}, {16, 107}}), 15},
      {"slots 3 and 15 empty", fullBut({3, 15}), 15},
      {"only slot 0 empty", fullBut({0}), 0},
      {"one key picked up into slot 19", keys({{19, 106}}), 18},
      {"a negative slot", negative, -1},
  };
  struct Store {
    const char* name;
    std::vector<std::pair<int, int32_t>> runs;  // (first slot, value) up to the next run
    int32_t firekind, fireslot;
  };
  const std::vector<Store> stores = {
      {"empty", {}, 0, 0},
      {"full of the first kind", {{0, 1}}, 1, 359},
      {"full of the second kind", {{0, 2}}, 2, 359},
      {"start of a level", {{0, 1}, {24, 0}}, 1, 23},
      {"only slot 0, second kind", {{0, 2}, {1, 0}}, 2, 0},
      {"only slot 0, first kind", {{0, 1}, {1, 0}}, 1, 0},
      {"one of each kind", {{0, 1}, {1, 2}, {2, 0}}, 2, 1},
      {"second kind on top of the start", {{0, 1}, {24, 2}, {36, 0}}, 2, 35},
      {"first kind on top of that", {{0, 1}, {24, 2}, {36, 1}, {48, 0}}, 1, 47},
      {"a stray 3 above the loaded run", {{0, 1}, {24, 0}, {50, 3}, {51, 0}}, 1, 23},
  };
  struct Drawing {
    const char* name;
    int32_t frameskip, skipdraw, budget;
  };
  const std::vector<Drawing> drawings = {
      {"drawn", 0, 0, 5000}, {"skipped frame", 1, 1, 5000}, {"budget spent", 0, 0, 0}, {"frame shown", 1, 0, 5000}};

  for (const Screen screen : kScreens) {
    UseScreen(screen);
    for (const Drawing& dr : drawings) {
      Options[7] = dr.frameskip;
      SkipDraw = dr.skipdraw;
      DrawMax[kDrawMain] = DrawMax[kDrawGlow] = dr.budget;
      const bool drawn = (dr.frameskip == 0 || dr.skipdraw == 0) && dr.budget > 0;
      for (const Inventory& inv : inventories) {
        for (const Store& st : stores) {
          SCOPED_TRACE(std::to_string(screen.w) + ", " + dr.name + ", keys " + inv.name + ", ammunition " + st.name);
          pla->inv = inv.inv;
          pla->ammo.fill(0);
          for (size_t r = 0; r < st.runs.size(); ++r) {
            const int end = r + 1 < st.runs.size() ? st.runs[r + 1].first : 360;
            for (int slot = st.runs[r].first; slot < end; ++slot) pla->ammo[slot] = st.runs[r].second;
          }
          playstate.freeslot = 7;
          playstate.firekind = 7;
          playstate.fireslot = 7;
          RunHud();
          EXPECT_EQ(playstate.freeslot, inv.freeslot);
          EXPECT_EQ(playstate.firekind, st.firekind);
          EXPECT_EQ(playstate.fireslot, st.fireslot);
          int carried = 0;
          for (int32_t v : inv.inv) carried += v > 0;
          EXPECT_EQ(Images(104, 107).size(), drawn ? static_cast<size_t>(carried) : 0u);
          EXPECT_EQ(Images(99, 101).size(), drawn ? 360u : 0u);
          // Panels and texts go round the budgets and the skip.
          EXPECT_EQ(testgraphics::DrawsOf(Op::Rect).size(), screen.w == 1280 ? 1u : 2u);
          EXPECT_EQ(testgraphics::DrawsOf(Op::Text).size(), screen.w == 1280 ? 2u : 28u);
        }
      }
    }
  }
}

TEST_F(HudTest, IconsPastTheMainBudgetAreLeftOutButStillCounted) {
  // The room's sprites share the key icons' budget; with two draws left only
  // the two lowest carried slots show.
  UseScreen({1280, 960});
  pla->inv.fill(105);
  pla->inv[6] = 0;
  testgraphics::ClearDraws();
  DrawCount.fill(0);
  DrawMax[kDrawMain] = 12;
  DrawCount[kDrawMain] = 10;
  ResetDraw();
  Hud1280();
  Hud1600();
  Hud1440();
  const auto icons = Images(104, 107);
  ASSERT_EQ(icons.size(), 2u);
  EXPECT_EQ((std::array<int, 2>{Left(icons[1]), Top(icons[1])}), (std::array<int, 2>{1016, 906}));  // slot 1
  EXPECT_EQ(playstate.freeslot, 6);
  EXPECT_EQ(Images(99, 101).size(), 360u);
}

TEST_F(HudTest, OnlyTheDisplayOfTheScreensWidthMovesTheRoom) {
  // The room's top offset and the scale are set at every width; the left
  // offset only by the width's own display.
  for (const Screen screen : kScreens) {
    SCOPED_TRACE(screen.w);
    UseScreen(screen);
    playstate.basex = 33;
    playstate.basey = 0;
    SetScale(4.0f, 4.0f);
    testgraphics::ClearDraws();
    Hud1280();
    EXPECT_EQ(playstate.basey, 1);
    EXPECT_EQ(playstate.basex, screen.w == 1280 ? 0 : 33);
    Hud1600();
    EXPECT_EQ(playstate.basex, screen.w == 1280 ? 0 : screen.w == 1600 ? 160 : 33);
    Hud1440();
    EXPECT_EQ(playstate.basex, screen.w == 1280 ? 0 : screen.w == 1600 ? 160 : 80);
  }
}

}  // namespace
