// Sizes and start values of the tables the start-up builds, one test per group.
// Each test first spoils the tables so that a step which merely relied on the
// zero-filled process start would fail.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "startup_case.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"
#include "startup/startup.h"

namespace {

using GameIdentity = StartupCase;
using GamePaths = StartupCase;
using Credits = StartupCase;
using GameLoopTables = StartupCase;
using MusicTables = StartupCase;
using FrameClock = StartupCase;
using SettingsTables = StartupCase;
using JoystickTables = StartupCase;
using ScoreAndMessageContainers = StartupCase;
using DefaultControlsAndSettings = StartupCase;
using SoundTables = StartupCase;
using Reclaim = StartupCase;

template <class A, class V>
bool AllEqual(const A& a, const V& v) {
  return std::all_of(a.begin(), a.end(), [&](const auto& e) { return e == v; });
}

TEST_F(GameIdentity, TitleLineAndFolderNames) {
  EXPECT_EQ(GameWeek, 256);
  EXPECT_EQ(GameName1, "Duskmoor");
  EXPECT_EQ(GameName2, "II");
  EXPECT_EQ(GameName, "");
  ComposeGameName();
  EXPECT_EQ(GameName, "#256 : Duskmoor II");
  EXPECT_EQ(AppTitle, GameName);

  const std::vector<std::pair<int32_t, std::string>> folders = {
      {256, "256/"}, {7, "007/"}, {42, "042/"}, {1234, "234/"}, {0, "000/"}};
  for (const auto& [week, name] : folders) EXPECT_EQ(GameFolderName(week), name) << week;
}

TEST_F(GamePaths, ResolvedBelowTheExecutableFolder) {
  for (const std::string root : {"/opt/dm", "/opt/dm/"}) {
    ResolvePaths(root);
    EXPECT_EQ(Paths.root, "/opt/dm/");
    EXPECT_EQ(Paths.data, "/opt/dm/Files/");
    EXPECT_EQ(Paths.common, "/opt/dm/Files/Common/");
    EXPECT_EQ(Paths.game, "/opt/dm/Files/256/");
    EXPECT_EQ(Paths.levels, "/opt/dm/DuskmoorII_Levels/");
  }
  // A relative folder is made absolute once, from the folder current now.
  const std::string here = std::filesystem::current_path().string() + "/";
  for (const std::string root : {"./", ".", "app"}) {
    ResolvePaths(root);
    const std::string want = here + (root == "app" ? "app/" : "");
    EXPECT_EQ(Paths.root, want) << root;
    EXPECT_EQ(Paths.game, want + "Files/256/") << root;
  }
}

TEST_F(Credits, NineteenLinesInDisplayOrder) {
  Credit.fill("junk");
  credits = 77;
  BuildCredits();
  ASSERT_EQ(Credit.size(), 100u);
  EXPECT_EQ(credits, 20);
  // The fixed lines; the ones left out are ours and checked below.
  const std::vector<std::pair<int, std::string>> fixed = {
      {1, "A Game by Quoradin"},  {3, ""},
      {4, "Game"},                {6, "using Quoradin's Framework"},
      {7, ""},                    {8, "Font"},
      {11, ""},                   {12, "All other graphics by Quoradin"},
      {13, ""},                   {14, "Sound"},
      {15, "Title Music by Quoradin"}, {16, "Sound Effects by Quoradin"},
      {17, ""}};
  for (const auto& [index, text] : fixed) EXPECT_EQ(Credit[index], text) << index;
  EXPECT_NE(Credit[2].find(" | "), std::string::npos);
  EXPECT_NE(Credit[5].find("C++"), std::string::npos);
  EXPECT_EQ(Credit[9], "Liberation Sans Narrow Bold");
  EXPECT_EQ(Credit[10], "by Red Hat, Inc.");
  for (int i : {2, 5, 9, 10, 18, 19}) {
    EXPECT_FALSE(Credit[i].empty()) << i;
    // A 320-pixel box at 16-pixel type takes about 30 characters.
    EXPECT_LE(Credit[i].size(), 30u) << i;
  }
  EXPECT_EQ(Credit[0], "");
  for (int i = 20; i < 100; ++i) EXPECT_EQ(Credit[i], "") << i;
}

TEST_F(GameLoopTables, EmptyBackgroundAndProbeTables) {
  BG.fill(5);
  BG_bit.fill(6);
  Here.fill(7);
  CreateGameLoopTables();
  CreateProbeTable();
  EXPECT_EQ(BG.size(), 100u);
  EXPECT_EQ(BG_bit.size(), 100u);
  EXPECT_EQ(Here.size(), 4u);
  EXPECT_TRUE(AllEqual(BG, 0));
  EXPECT_TRUE(AllEqual(BG_bit, 0));
  EXPECT_TRUE(AllEqual(Here, 0));
  EXPECT_EQ(styles, 0);
}

TEST_F(MusicTables, SizesAndZeroStart) {
  QRDM_inst.fill(1);
  QRDM_Pattern.fill(2.5f);
  QRDM_Set.fill("x");
  QRDM_Stretch.fill(-1);
  QRDM_MuteAheadGo.fill(2);
  CreateMusicTables();
  EXPECT_EQ(QRDM_inst.size(), 50u);
  EXPECT_EQ(QRDM_Pattern.size(), 1300u);
  EXPECT_EQ(QRDM_PatternUse.size(), 5u);
  EXPECT_EQ(QRDM_PatternHave.size(), 5u);
  EXPECT_EQ(QRDM_Mute.size(), 20u);
  EXPECT_EQ(QRDM_MuteAhead.size(), 20u);
  EXPECT_EQ(QRDM_MuteAheadGo.size(), 20u);
  EXPECT_EQ(QRDM_Set.size(), 5000u);
  EXPECT_EQ(QRDM_Many.size(), 5u);
  EXPECT_EQ(QRDM_Stretch.size(), 5u);
  EXPECT_TRUE(AllEqual(QRDM_inst, 0));
  EXPECT_TRUE(AllEqual(QRDM_Pattern, 0.0f));
  EXPECT_TRUE(AllEqual(QRDM_PatternUse, 0));
  EXPECT_TRUE(AllEqual(QRDM_PatternHave, 0));
  EXPECT_TRUE(AllEqual(QRDM_Mute, 0));
  EXPECT_TRUE(AllEqual(QRDM_MuteAhead, 0));
  EXPECT_TRUE(AllEqual(QRDM_MuteAheadGo, 0));
  EXPECT_TRUE(AllEqual(QRDM_Set, std::string()));
  EXPECT_TRUE(AllEqual(QRDM_Many, 0));
  EXPECT_TRUE(AllEqual(QRDM_Stretch, 0));
}

TEST_F(FrameClock, PointerHiddenClockStampedStartBudgets) {
  testbackend::Reset();
  testbackend::SetClock(123456);
  DrawMax.fill(9);
  DrawCount.fill(9);
  ASSERT_EQ(testbackend::MouseHidden(), 0);
  StartFrameClock();
  EXPECT_EQ(testbackend::MouseHidden(), 1);
  EXPECT_EQ(LastFrame, 123456);
  ASSERT_EQ(DrawMax.size(), 20u);
  ASSERT_EQ(DrawCount.size(), 20u);
  for (int i = 0; i < 20; ++i) {
    EXPECT_EQ(DrawMax[i], (i == 1 || i == 2) ? 50000 : 0) << i;
    EXPECT_EQ(DrawCount[i], 0) << i;
  }
}

TEST_F(SettingsTables, SizesAndStartValues) {
  Options.fill(3);
  ResolutionW.fill(640);
  ResolutionH.fill(480);
  Font.fill(4);
  Fontb.fill(4);
  CreateSettingsTables();
  EXPECT_EQ(Options.size(), 100u);
  EXPECT_EQ(ResolutionW.size(), 2500u);
  EXPECT_EQ(ResolutionH.size(), 2500u);
  EXPECT_EQ(Font.size(), 20u);
  EXPECT_EQ(Fontb.size(), 100u);
  EXPECT_TRUE(AllEqual(Options, 0));
  EXPECT_TRUE(AllEqual(ResolutionW, 0));
  EXPECT_TRUE(AllEqual(ResolutionH, 0));
  EXPECT_TRUE(AllEqual(Font, 0));
  EXPECT_TRUE(AllEqual(Fontb, 0));
  EXPECT_EQ(MostResses, 0);
  EXPECT_EQ(MyScrw, 800);
  EXPECT_EQ(MyScrh, 600);
  EXPECT_EQ(JScrw, 1280);
  EXPECT_EQ(JScrh, 960);
  EXPECT_EQ(MainFont, "LiberationSansNarrow-Bold");
  EXPECT_EQ(SubFont, "LiberationSansNarrow-Bold");
}

TEST_F(JoystickTables, FiveZeroSlotsEach) {
  Stick.fill("pad");
  StickBut.fill(1);
  StickX.fill(0.5f);
  StickR.fill(0.5f);
  StickHat.fill(1);
  StickOn.fill(1);
  CreateJoystickTables();
  EXPECT_EQ(Stick.size(), 5u);
  EXPECT_TRUE(AllEqual(Stick, std::string()));
  EXPECT_TRUE(AllEqual(StickBut, 0));
  for (const auto* axis : {&StickX, &StickY, &StickZ, &StickU, &StickV, &StickR}) {
    EXPECT_EQ(axis->size(), 5u);
    EXPECT_TRUE(AllEqual(*axis, 0.0f));
  }
  EXPECT_TRUE(AllEqual(StickHat, 0));
  EXPECT_TRUE(AllEqual(StickOn, 0));
  EXPECT_EQ(StickCount, 0);
}

TEST_F(ScoreAndMessageContainers, EmptyAtCreation) {
  HighTable[3] = std::make_shared<Scores>();
  ListAddLast(Highscores, std::make_shared<Scores>());
  ListAddLast(comments, std::make_shared<ment>());
  ListAddLast(scoreget, std::make_shared<ore>());
  CreateScoreContainers();
  CreateMessageContainers();
  EXPECT_EQ(HighTable.size(), 50u);
  EXPECT_TRUE(AllEqual(HighTable, nullptr));
  EXPECT_EQ(CountList(Highscores), 0);
  EXPECT_EQ(CountList(comments), 0);
  EXPECT_EQ(CountList(scoreget), 0);
  EXPECT_EQ(GameMode, 0);
  EXPECT_EQ(GameLevel, 0);
  EXPECT_EQ(GameFlags, 0);

  // New records start empty.
  const Scores s;
  EXPECT_EQ(s.Score, 0);
  EXPECT_EQ(s.Timestamp, 0);
  EXPECT_EQ(s.Name, "");
  EXPECT_EQ(s.Best.size(), 31u);
  EXPECT_TRUE(AllEqual(s.Best, 0));
  const ment m;
  EXPECT_EQ(m.tick, 0);
  EXPECT_EQ(m.txt, "");
  EXPECT_EQ(m.c, 0);
  const ore o;
  EXPECT_EQ(o.n, 0);
  EXPECT_EQ(o.x, 0.0f);
  EXPECT_EQ(o.t, 0);
}

TEST_F(ScoreAndMessageContainers, HistorySortsNewestFirst) {
  const std::vector<int64_t> stamps = {50, 900, 10, 400};
  for (int64_t t : stamps) {
    auto s = std::make_shared<Scores>();
    s->Timestamp = t;
    ListAddLast(Highscores, s);
  }
  SortList(Highscores);
  std::vector<int64_t> order;
  for (const auto& s : Highscores) order.push_back(s->Timestamp);
  EXPECT_EQ(order, (std::vector<int64_t>{900, 400, 50, 10}));
}

TEST_F(DefaultControlsAndSettings, ArrowKeysZXCVAndWindowedDefaults) {
  KeyV.fill(500);
  Options.fill(0);
  Options[14] = 3;
  SetDefaultControls();
  ASSERT_EQ(KeyV.size(), 101u);
  const std::vector<std::pair<int, int32_t>> bound = {
      {0, 38}, {8, 40}, {3, 37}, {5, 39}, {10, 90}, {11, 88}, {12, 67}, {13, 86}};
  for (int slot = 0; slot < 101; ++slot) {
    int32_t want = 0;
    for (const auto& [s, code] : bound)
      if (s == slot) want = code;
    EXPECT_EQ(KeyV[slot], want) << slot;
  }
  const std::vector<std::pair<int, int32_t>> settings = {
      {5, 800}, {6, 600}, {1, 0}, {7, 0}, {11, 50}, {12, 50}, {13, 50}};
  for (const auto& [index, value] : settings) EXPECT_EQ(Options[index], value) << index;
  // Only those seven are written.
  EXPECT_EQ(Options[14], 3);
}

TEST_F(DefaultControlsAndSettings, EveryDefaultWrittenWhateverTheEntryHeld) {
  Options.fill(0);
  Options[1] = 1;
  Options[7] = 1;
  SetDefaultControls();
  EXPECT_EQ(Options[1], 0);
  EXPECT_EQ(Options[7], 0);
}

TEST_F(SoundTables, SizesAndStartValues) {
  Channel.fill(8);
  ChannelVol.fill(0.5f);
  sfx.fill(8);
  BadgeT.fill("b");
  CreateSoundTables();
  EXPECT_EQ(Channel.size(), 260u);
  EXPECT_EQ(ChannelVol.size(), 260u);
  EXPECT_EQ(sfx.size(), 201u);
  EXPECT_EQ(BadgeT.size(), 16u);
  EXPECT_TRUE(AllEqual(Channel, 0));
  EXPECT_TRUE(AllEqual(ChannelVol, 0.0f));
  EXPECT_TRUE(AllEqual(sfx, 0));
  EXPECT_TRUE(AllEqual(BadgeT, std::string()));
  // The sound-effect cursor is a fixed start value, not set by the step.
  EXPECT_EQ(LChan, 20);
}

TEST_F(Reclaim, SwitchedToOnRequest) {
  EXPECT_EQ(GCMode, 1);
  SetManualReclaim();
  EXPECT_EQ(GCMode, 0);
}

}  // namespace

namespace {

// Every line fits the credits box in the font it is drawn with: 16 pixels in a
// 320-pixel box, or 22 pixels in a 416-pixel box on displays below 900 wide.
TEST_F(Credits, EveryLineFitsTheBox) {
  testbackend::Reset();
  const char* dir = std::getenv("DUSKMOOR_GAME_DIR");
  ASSERT_NE(dir, nullptr);
  const std::string file = std::string(dir) + "/Files/Common/LiberationSansNarrow-Bold.ttf";
  BuildCredits();
  const std::vector<std::pair<int, int>> fonts = {{16, 320}, {22, 416}};
  for (const auto& [size, box] : fonts) {
    const int font = LoadImageFont(file, size, SMOOTHFONT);
    ASSERT_NE(font, 0) << file;
    SetImageFont(font);
    for (int i = 1; i < credits; ++i)
      EXPECT_LE(TextWidth(Credit[i]), box - 10) << size << ": " << Credit[i];
  }
}

}  // namespace
