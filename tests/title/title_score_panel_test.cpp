// The title screen's score panel: the games of the chosen pack slide in at
// the right-hand edge, and old games of the shown pack are pruned while the
// title is merely shown.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "framework/globals.h"
#include "level/play_globals.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "scores/score_panel.h"
#include "settings/options.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"
#include "title/title.h"
#include "title/title_fixture.h"

using testgraphics::Op;

namespace {

class TitlePanelTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    titletest::TitleAt1280();
    CreateScoreContainers();
    for (const char* t : {"Pack A", "Pack B"}) {
      auto g = std::make_shared<game>();
      g->Title = t;
      levels.AddLast(g);
    }
    testgraphics::ClearDraws();
  }
  static void AddGame(const std::string& name, int64_t score, int64_t stamp, int32_t mode) {
    auto r = std::make_shared<Scores>();
    r->Name = name;
    r->Score = score;
    r->Timestamp = stamp;
    r->GameMode = mode;
    ListAddLast(Highscores, r);
    SortList(Highscores);
  }
  // Texts drawn at the table's name column of a panel slid in by `slide`.
  static std::vector<std::string> RowNames(int slide) {
    std::vector<std::string> out;
    const float x = 1280 - 10 - slide + 4;
    for (const auto& d : testgraphics::DrawsOf(Op::Text)) {
      if (d.x == x && d.y >= 950 - 426 && d.y < 950 - 150) out.push_back(d.text);
    }
    return out;
  }
};

TEST_F(TitlePanelTest, TheChosenPacksGamesSlideIn) {
  AddGame("Ann", 300, 1000, 0);
  AddGame("Bo", 500, 900, 0);
  AddGame("Other", 900, 1100, 1);
  TitleSetUp();
  TitleFrame();
  EXPECT_EQ(RowNames(10), (std::vector<std::string>{"Bo", "Ann"}));
  for (int i = 0; i < 40; ++i) {
    testgraphics::ClearDraws();
    TitleFrame();
  }
  EXPECT_EQ(RowNames(320), (std::vector<std::string>{"Bo", "Ann"}));
  // The other pack, once chosen.
  GameMode = 1;
  testgraphics::ClearDraws();
  TitleFrame();
  EXPECT_EQ(RowNames(320), (std::vector<std::string>{"Other"}));
}

TEST_F(TitlePanelTest, OldGamesOfTheShownPackArePrunedWhileTheTitleShows) {
  for (int i = 0; i < 60; ++i) AddGame("G" + std::to_string(i), 10, 10000 - i, 0);
  for (int i = 0; i < 60; ++i) AddGame("H" + std::to_string(i), 10, 5000 - i, 1);
  TitleSetUp();
  TitleFrame();
  int a = 0, b = 0;
  for (const auto& r : Highscores) (r->GameMode == 0 ? a : b)++;
  EXPECT_EQ(a, 50);
  EXPECT_EQ(b, 60);
}

}  // namespace
