// The title screen's score panel on recorded draws: the top table, the
// history graph, the choice of the shown game, the detail box, pruning and
// scrolling.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "framework/globals.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "scores/score_panel.h"
#include "scores/time_stamps.h"
#include "scores_fixture.h"
#include "settings/common_assets.h"
#include "settings/startup_sequence.h"

using testgraphics::DrawRecord;
using testgraphics::Op;

namespace {

constexpr int32_t kSlide = 320;
constexpr int32_t kPanelX = 1280 - 10 - kSlide;  // 950
constexpr int32_t kBaseY = 960 - 10;             // 950
constexpr int64_t kDay = 86400;
const int64_t kNow = MakeStamp(2026, 12, 8, 9, 0, 0);

class ScorePanelTest : public ScoresTest {
 protected:
  void SetUp() override {
    ScoresTest::SetUp();
    DrawMax.fill(50000);
    DrawCount.fill(0);
    fscroll = 0;
    HoldMe = 0;
    drawscore = nullptr;
    GameBadges = 16;
    mx = my = -1000;
    // A strip of eight 16x16 icons and sixteen 64x64 badges.
    CommonIconsF = testgraphics::MakeImage(128, 16, std::vector<uint32_t>(128 * 16, 0xffffffffu), 16, 16, 0, 8);
    BadgeIcons = testgraphics::MakeImage(1024, 64, std::vector<uint32_t>(1024 * 64, 0xffffffffu), 64, 64, 0, 16);
    SetImageFont(0);
  }
  // Adds matching games newest first: game i is i days older than now.
  static void AddGames(const std::vector<int64_t>& scores, int32_t mode = 0, int64_t first_age = 0) {
    for (size_t i = 0; i < scores.size(); ++i) {
      auto r = Rec(scores[i], kNow - (first_age + static_cast<int64_t>(i)) * kDay, "G" + std::to_string(i), mode);
      ListAddLast(Highscores, r);
    }
    SortList(Highscores);
  }
  static void Draw() {
    testgraphics::ClearDraws();
    DrawCount.fill(0);
    Graph(kSlide, 0, 0, 0);
  }
  static std::vector<DrawRecord> Of(Op op, std::function<bool(const DrawRecord&)> keep = {}) {
    std::vector<DrawRecord> out;
    for (const auto& d : testgraphics::DrawsOf(op)) {
      if (!keep || keep(d)) out.push_back(d);
    }
    return out;
  }
  // The graph's point icons (frame 7 of the icon strip).
  static std::vector<DrawRecord> Points() {
    return Of(Op::Image, [](const DrawRecord& d) { return d.image == CommonIconsF; });
  }
  static std::vector<std::string> RowNames() {
    std::vector<std::string> out;
    for (const auto& d : Of(Op::Text)) {
      if (d.x == kPanelX + 4 && d.y >= kBaseY - 426 && d.y < kBaseY - 150) out.push_back(d.text);
    }
    return out;
  }
  static bool DrewText(const std::string& t) {
    for (const auto& d : Of(Op::Text)) {
      if (d.text == t) return true;
    }
    return false;
  }
};

TEST_F(ScorePanelTest, FrameAndSeparatorWithNoGames) {
  Draw();
  const auto rects = Of(Op::Rect);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_FLOAT_EQ(rects[0].x, kPanelX + 2);
  EXPECT_FLOAT_EQ(rects[0].y, kBaseY - 422);
  EXPECT_FLOAT_EQ(rects[0].w, 322);
  EXPECT_FLOAT_EQ(rects[0].h, 422);
  EXPECT_FLOAT_EQ(rects[0].alpha, 0.6f);
  const auto lines = Of(Op::Line);
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_FLOAT_EQ(lines[0].x, kPanelX + 2);
  EXPECT_FLOAT_EQ(lines[0].y, kBaseY - 150);
  EXPECT_FLOAT_EQ(lines[0].w, 1280 - 8);
  EXPECT_EQ(lines[0].b, 80);
  EXPECT_EQ(Of(Op::Text).size(), 0u);
  EXPECT_EQ(scaleMax, 1);
  // While the panel slides in, the separator still ends at the same place.
  testgraphics::ClearDraws();
  Graph(10, 0, 0, 0);
  EXPECT_FLOAT_EQ(Of(Op::Line)[0].x, 1280 - 20 + 2);
  EXPECT_FLOAT_EQ(Of(Op::Line)[0].w, 1280 - 8);
}

TEST_F(ScorePanelTest, TableOrderAndScaleMax) {
  struct Case {
    const char* what;
    std::vector<int64_t> scores;  // newest first
    std::vector<std::string> table;
    int32_t scale;
  } cases[] = {
      {"equal scores: newer first", {5, 9, 5, 1}, {"G1", "G0", "G2", "G3"}, 9},
      {"all zero", {0, 0}, {"G0", "G1"}, 1},
      {"negative only", {-3, -1}, {"G1", "G0"}, 1},
      {"low 32 bits of the best", {(int64_t{1} << 32) + 7, 3}, {"G0", "G1"}, 7},
  };
  for (const auto& c : cases) {
    ClearList(Highscores);
    AddGames(c.scores);
    BuildHighTable(0, 0, 0);
    std::vector<std::string> got;
    for (int s = 1; s <= 25; ++s) {
      if (HighTable[s]) got.push_back(HighTable[s]->Name);
    }
    EXPECT_EQ(got, c.table) << c.what;
    EXPECT_EQ(scaleMax, c.scale) << c.what;
    EXPECT_FALSE(HighTable[0]);
  }
}

TEST_F(ScorePanelTest, TwentySixthGameEntersOnlyWithAHigherScore) {
  std::vector<int64_t> scores(25, 100);
  scores.push_back(100);  // oldest, equal to the 25th: stays out
  AddGames(scores);
  BuildHighTable(0, 0, 0);
  EXPECT_EQ(HighTable[25]->Name, "G24");
  ClearList(Highscores);
  scores.back() = 101;
  AddGames(scores);
  BuildHighTable(0, 0, 0);
  EXPECT_EQ(HighTable[1]->Name, "G25");
  EXPECT_EQ(HighTable[25]->Name, "G23");
}

TEST_F(ScorePanelTest, TableRowsShowSixteenNamesAndPaddedScores) {
  std::vector<int64_t> scores;
  for (int i = 0; i < 20; ++i) scores.push_back(i - 100);
  scores[0] = 1234567890123456;  // more than 12 digits
  scores[1] = 7;
  scores[2] = -5;
  AddGames(scores);
  Highscores.First()->Name = "A name of more than twenty-four characters";
  Draw();
  const auto names = RowNames();
  ASSERT_EQ(names.size(), 16u);
  EXPECT_EQ(names[0], "A name of more than twen");
  // Rows at their places, 17 pixels apart; the scores right-aligned.
  std::vector<DrawRecord> score_texts = Of(Op::Text, [](const DrawRecord& d) {
    return d.y >= kBaseY - 426 && d.y < kBaseY - 150 && d.x != kPanelX + 4;
  });
  ASSERT_EQ(score_texts.size(), 16u);
  EXPECT_EQ(score_texts[0].text, "567890123456");
  EXPECT_FLOAT_EQ(score_texts[0].y, kBaseY - 426);
  EXPECT_FLOAT_EQ(score_texts[15].y, kBaseY - 426 + 17 * 15);
  EXPECT_FLOAT_EQ(score_texts[0].x, kPanelX + 324 - TextWidth("567890123456"));
  EXPECT_EQ(score_texts[1].text, "000000000007");
  EXPECT_EQ(score_texts[2].text, "0000000000-5");
  EXPECT_EQ(score_texts[3].text, "000000000-81");
  // The 17th best and below are not drawn.
  EXPECT_FALSE(DrewText("000000000-95"));
}

TEST_F(ScorePanelTest, NoticeBoxFromElevenRows) {
  for (int count : {10, 11}) {
    ClearList(Highscores);
    AddGames(std::vector<int64_t>(count, 50));
    Draw();
    const bool notice = DrewText("You've been enjoying");
    EXPECT_EQ(notice, count > 10) << count;
  }
  // The box and its lines: the text column moves at half the panel's pace.
  const auto box = Of(Op::Rect, [](const DrawRecord& d) { return d.y == 0; });
  ASSERT_EQ(box.size(), 1u);
  EXPECT_FLOAT_EQ(box[0].x, kPanelX - 2);
  EXPECT_FLOAT_EQ(box[0].w, 330);
  EXPECT_FLOAT_EQ(box[0].h, 200);
  struct Line {
    const char* text;
    int y, r, g, b;
  } lines[] = {{"You've been enjoying", 20, 255, 255, 0}, {"Duskmoor", 38, 255, 255, 0},
               {"II", 56, 255, 255, 0},                   {"Why not thank Quoradin", 90, 255, 128, 0},
               {"for making yet another", 108, 255, 128, 0}, {"free downloadable game!", 126, 255, 128, 0}};
  for (const auto& l : lines) {
    const auto d = Of(Op::Text, [&](const DrawRecord& r) { return r.text == l.text; });
    ASSERT_EQ(d.size(), 1u) << l.text;
    EXPECT_FLOAT_EQ(d[0].x, 1280 - 171 - TextWidth(l.text) / 2) << l.text;
    EXPECT_FLOAT_EQ(d[0].y, l.y - TextHeight(l.text) / 2) << l.text;
    EXPECT_EQ(d[0].r, l.r);
    EXPECT_EQ(d[0].g, l.g);
    EXPECT_EQ(d[0].b, l.b);
  }
}

TEST_F(ScorePanelTest, GraphPointsHeightsAndLines) {
  AddGames({100, 50, 0, 75});
  Draw();
  const auto points = Points();
  ASSERT_EQ(points.size(), 4u);
  const int heights[] = {150, 75, 0, 112};
  for (int n = 0; n < 4; ++n) {
    const int x = kPanelX + 316 - 18 * n;
    EXPECT_FLOAT_EQ(points[n].x, x) << n;
    EXPECT_FLOAT_EQ(points[n].y, kBaseY - heights[n]) << n;
    EXPECT_EQ(points[n].frame, 7);
    EXPECT_EQ(points[n].r, 255 - heights[n]) << n;
  }
  // Joining lines from each point to the newer one, coloured by height.
  const auto joins = Of(Op::Line, [](const DrawRecord& d) { return d.alpha == 1.0f && d.r == 255; });
  ASSERT_EQ(joins.size(), 3u);
  EXPECT_FLOAT_EQ(joins[0].x, kPanelX + 316 - 18);
  EXPECT_FLOAT_EQ(joins[0].y, kBaseY - 75);
  EXPECT_FLOAT_EQ(joins[0].w, kPanelX + 316);
  EXPECT_FLOAT_EQ(joins[0].h, kBaseY - 150);
  EXPECT_EQ(joins[0].g, 80 + 75);
  // One column line per point.
  const auto columns = Of(Op::Line, [](const DrawRecord& d) { return d.alpha < 0.5f; });
  ASSERT_EQ(columns.size(), 4u);
  EXPECT_FLOAT_EQ(columns[1].x, kPanelX + 316 - 18 - 9);
  EXPECT_FLOAT_EQ(columns[1].y, kBaseY - 150);
  EXPECT_FLOAT_EQ(columns[1].h, kBaseY - 1);
}

TEST_F(ScorePanelTest, SinglePointLiesOnTheSeparatorAndZerosOnTheBottom) {
  AddGames({42});
  Draw();
  ASSERT_EQ(Points().size(), 1u);
  EXPECT_FLOAT_EQ(Points()[0].y, kBaseY - 150);
  EXPECT_EQ(Of(Op::Line, [](const DrawRecord& d) { return d.alpha == 1.0f && d.r == 255; }).size(), 0u);
  ClearList(Highscores);
  AddGames({0, 0, 0});
  Draw();
  for (const auto& p : Points()) EXPECT_FLOAT_EQ(p.y, kBaseY);
}

TEST_F(ScorePanelTest, HugeScoresDrawWithoutOverflow) {
  AddGames({INT64_MAX, INT64_MIN, 3, (int64_t{1} << 31)});
  Draw();
  EXPECT_EQ(Points().size(), 4u);
  EXPECT_EQ(GraphHeight(INT64_MAX, 1), INT32_MAX);
  EXPECT_EQ(GraphHeight(INT64_MIN, 1), INT32_MIN);
  EXPECT_EQ(GraphHeight(INT64_MAX, -1), INT32_MIN);
  // Ordinary scores: the integer quotient, truncated toward zero.
  EXPECT_EQ(GraphHeight(75, 100), 112);
  EXPECT_EQ(GraphHeight(-75, 100), -112);
  EXPECT_EQ(GraphHeight(2147483647, 2147483647), 150);
  EXPECT_EQ(GraphHeight(1, 0), 150);
}

TEST_F(ScorePanelTest, EighteenPointsFitAndScrollingShowsOlderOnes) {
  AddGames(std::vector<int64_t>(20, 10));
  Draw();
  EXPECT_EQ(Points().size(), 18u);
  // The pointer rests in the left zone for three frames.
  mx = kPanelX + 5;
  my = kBaseY - 20;
  for (int i = 0; i < 3; ++i) Draw();
  EXPECT_EQ(fscroll, 24);
  mx = my = -1000;
  Draw();
  EXPECT_EQ(Points().size(), 20u);
  EXPECT_FLOAT_EQ(Points()[0].x, kPanelX + 316 + 24);
  // The offset stops at 1000 and at 0 exactly.
  fscroll = 992;
  mx = kPanelX + 5;
  my = kBaseY - 20;
  for (int i = 0; i < 3; ++i) Draw();
  EXPECT_EQ(fscroll, 1000);
  fscroll = 16;
  mx = kPanelX + 300;
  my = kBaseY - 20;
  for (int i = 0; i < 5; ++i) Draw();
  EXPECT_EQ(fscroll, 0);
}

TEST_F(ScorePanelTest, PointingHoldingAndTheDetailBox) {
  AddGames({100, 50, 75});
  auto second = *(++Highscores.begin());
  second->Best[30] = 1;
  second->Badges = SetFlag(SetFlag(0, 1, 1), 3, 1);
  second->Name = "Second game";
  // The pointer over the second column.
  mx = kPanelX + 316 - 18;
  my = kBaseY - 10;
  Draw();
  EXPECT_EQ(drawscore, second);
  EXPECT_EQ(HoldMe, 0);
  const auto highlight = Of(Op::Rect, [](const DrawRecord& d) { return d.w == 19; });
  ASSERT_EQ(highlight.size(), 1u);
  EXPECT_FLOAT_EQ(highlight[0].x, kPanelX + 316 - 18 - 9);
  // The detail box and its texts.
  const auto box = Of(Op::Rect, [](const DrawRecord& d) { return d.w == 330 && d.h == 140; });
  ASSERT_EQ(box.size(), 1u);
  EXPECT_FLOAT_EQ(box[0].y, kBaseY - 566);
  EXPECT_TRUE(DrewText("Second game"));
  EXPECT_TRUE(DrewText("50"));
  EXPECT_TRUE(DrewText("Complete!"));
  EXPECT_TRUE(DrewText(StampDate(second->Timestamp) + ", " + StampTime(second->Timestamp)));
  EXPECT_TRUE(DrewText("07-12-2026, 09:00:00"));
  const auto badges = Of(Op::Image, [](const DrawRecord& d) { return d.image == BadgeIcons; });
  ASSERT_EQ(badges.size(), 2u);
  EXPECT_FLOAT_EQ(badges[0].x, kPanelX + 6 + 64 * 0.28f / 2);
  EXPECT_FLOAT_EQ(badges[1].x, kPanelX + 46 + 64 * 0.28f / 2);
  EXPECT_EQ(badges[1].frame, 2);
  EXPECT_FLOAT_EQ(badges[0].scale_x, 0.28f);

  // Pressing holds the game after the pointer leaves.
  testbackend::PressMouse(1);
  Draw();
  EXPECT_EQ(HoldMe, 2);
  testbackend::ReleaseMouse(1);
  mx = my = -1000;
  Draw();
  EXPECT_EQ(drawscore, second);
  // A game without the completion mark shows none.
  HoldMe = 1;
  Draw();
  EXPECT_EQ(drawscore, Highscores.First());
  EXPECT_FALSE(DrewText("Complete!"));
  // A hold beyond the games chooses nothing.
  HoldMe = 9;
  Draw();
  EXPECT_FALSE(drawscore);
}

TEST_F(ScorePanelTest, RowUnderThePointerWinsOverGraphAndHold) {
  AddGames({100, 50, 75});
  HoldMe = 3;
  // Row 2 (the third game, 75) under the pointer.
  mx = kPanelX + 10;
  my = kBaseY - 426 + 17 + 5;
  Draw();
  EXPECT_EQ(drawscore->Score, 75);
  // A held row is shown when nothing else is chosen.
  mx = my = -1000;
  HoldMe = 1003;
  Draw();
  EXPECT_EQ(drawscore->Score, 50);
  const auto row = Of(Op::Rect, [](const DrawRecord& d) { return d.w == 320; });
  ASSERT_EQ(row.size(), 1u);
  EXPECT_FLOAT_EQ(row[0].y, kBaseY - 426 + 34);
  testbackend::PressMouse(1);
  mx = kPanelX + 10;
  my = kBaseY - 426 + 5;
  Draw();
  EXPECT_EQ(HoldMe, 1001);
}

TEST_F(ScorePanelTest, PruningKeepsFiftyNewestAndTheTopTwentyFive) {
  // 60 games, newest first; the 10 oldest score below every other game but
  // one old game is the best of all.
  std::vector<int64_t> scores;
  for (int i = 0; i < 50; ++i) scores.push_back(100 + i);
  for (int i = 0; i < 10; ++i) scores.push_back(i);
  scores[55] = 1000;
  AddGames(scores);
  AddGames({1, 2, 3}, 1, 70);  // another pack's old games
  Draw();
  EXPECT_EQ(Highscores.Count(), 51 + 3);
  int kept_old = 0;
  for (const auto& r : Highscores) {
    if (r->GameMode == 0 && r->Score == 1000) ++kept_old;
  }
  EXPECT_EQ(kept_old, 1);
  // Nothing more goes in the next frame.
  Draw();
  EXPECT_EQ(Highscores.Count(), 54);
}

TEST_F(ScorePanelTest, PruningRemovesTheVeryRecordNotOneWithTheSameStamp) {
  struct Case {
    const char* what;
    int64_t other_stamp_offset;  // the other pack's game, against the pruned one
  } cases[] = {{"equal stamps", 0}, {"stamps 2^32 apart", int64_t{1} << 32}};
  for (const auto& c : cases) {
    ClearList(Highscores);
    // 50 newer games of pack 0, then the other pack's game, then a 51st game
    // of pack 0 that scores below the 25th best and is pruned.
    AddGames(std::vector<int64_t>(50, 10));
    auto doomed = Rec(1, kNow - 60 * kDay, "Doomed", 0);
    auto other = Rec(5, doomed->Timestamp + c.other_stamp_offset, "Other pack", 1);
    ListAddLast(Highscores, other);
    ListAddLast(Highscores, doomed);
    SortList(Highscores);
    ASSERT_EQ(Highscores.Last(), doomed);
    Draw();
    bool other_kept = false, doomed_kept = false;
    for (const auto& r : Highscores) {
      other_kept = other_kept || r == other;
      doomed_kept = doomed_kept || r == doomed;
    }
    EXPECT_TRUE(other_kept) << c.what;
    EXPECT_FALSE(doomed_kept) << c.what;
    EXPECT_EQ(Highscores.Count(), 51) << c.what;
  }
}

// A damaged history file of a million games, each of them a bar on a line
// of its own and an empty line of best values: the first frame that shows them prunes all but the kept ones
// in one pass, where a pass per pruned game would hold the title for hours.
TEST_F(ScorePanelTest, AMillionDamagedGamesArePrunedInOneFrame) {
  std::string file;
  for (int i = 0; i < 1000000; ++i) file += "|\n\n";
  testutil::WriteBytes(ScoresFile(), file);
  LoadScores();
  ASSERT_EQ(Highscores.Count(), 1000000);
  Draw();
  EXPECT_EQ(Highscores.Count(), kKeptRecent);
}

TEST_F(ScorePanelTest, OtherPacksAreNeitherShownNorPruned) {
  AddGames(std::vector<int64_t>(60, 5), 3);
  Draw();
  EXPECT_EQ(Points().size(), 0u);
  EXPECT_EQ(RowNames().size(), 0u);
  EXPECT_EQ(Highscores.Count(), 60);
  // Shown, the pack keeps its 50 newest games (equal scores: the top 25 are
  // among them).
  Graph(kSlide, 3, 0, 0);
  EXPECT_EQ(Highscores.Count(), 50);
}

}  // namespace
