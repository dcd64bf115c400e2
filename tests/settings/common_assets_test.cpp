#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "fixture.h"
#include "framework/globals.h"
#include "platform/graphics.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_graphics.h"
#include "scores/score_panel.h"
#include "settings/common_assets.h"
#include "startup/globals.h"

namespace {

// A short mono 16-bit PCM WAV.
std::string TinyWav() {
  auto le = [](uint32_t v, int n) {
    std::string s;
    for (int i = 0; i < n; ++i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
    return s;
  };
  const std::string samples(200, '\0');
  return "RIFF" + le(36 + static_cast<uint32_t>(samples.size()), 4) + "WAVE" + "fmt " + le(16, 4) + le(1, 2) +
         le(1, 2) + le(22050, 4) + le(44100, 4) + le(2, 2) + le(16, 2) + "data" +
         le(static_cast<uint32_t>(samples.size()), 4) + samples;
}

class CommonAssetsTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    std::filesystem::copy_file("/usr/share/fonts/truetype/liberation/LiberationSansNarrow-Bold.ttf",
                               Paths.common + "LiberationSansNarrow-Bold.ttf");
    std::filesystem::copy_file("/usr/share/fonts/truetype/dejavu/DejaVuSansCondensed-Bold.ttf",
                               Paths.common + "DejaVuSansCondensed-Bold.ttf");
    MyScrw = 1280;
    MyScrh = 960;
    JScrw = 1280;
    JScrh = 960;
    Graphics(1280, 960, 0, 60, 0);
    SetVirtualResolution(1280, 960);
  }
};

TEST_F(CommonAssetsTest, FontSizesFollowTheDisplayWidth) {
  struct Case {
    int width;
    std::vector<int> fixed;  // slots 1 to 9
    std::vector<int> bank;   // steps 0 to 8
  } cases[] = {
      {1920, {24, 16, 16, 20, 96, 72, 32, 32, 14}, {8, 12, 18, 24, 32, 40, 52, 64, 96}},
      {900, {24, 16, 16, 20, 96, 72, 32, 32, 14}, {8, 12, 18, 24, 32, 40, 52, 64, 96}},
      {899, {28, 22, 22, 24, 115, 86, 38, 38, 16}, {9, 14, 21, 28, 38, 48, 62, 76, 115}},
      {600, {28, 22, 22, 24, 115, 86, 38, 38, 16}, {9, 14, 21, 28, 38, 48, 62, 76, 115}},
      {599, {36, 32, 32, 30, 144, 108, 48, 48, 21}, {12, 18, 27, 36, 48, 60, 78, 96, 144}},
  };
  for (const auto& c : cases) {
    MyScrw = c.width;
    ChooseFontScales();
    std::vector<int> fixed, bank;
    for (int slot = 1; slot <= 9; ++slot) fixed.push_back(FixedFontSize(slot));
    for (int step = 0; step <= 8; ++step) bank.push_back(BankFontSize(step));
    EXPECT_EQ(fixed, c.fixed) << c.width;
    EXPECT_EQ(bank, c.bank) << c.width;
  }
  const std::vector<int> faces = {1, 1, 1, 1, 2, 2, 2, 1, 1};
  for (int slot = 1; slot <= 9; ++slot) EXPECT_EQ(FixedFontFace(slot), faces[slot - 1]) << slot;
  EXPECT_EQ(FontFile(1), "LiberationSansNarrow-Bold.ttf");
  EXPECT_EQ(FontFile(2), "LiberationSansNarrow-Bold.ttf");
  EXPECT_EQ(FontFile(3), "DejaVuSansCondensed-Bold.ttf");
}

TEST_F(CommonAssetsTest, UseFontFallsBackToFaceOneAndStepZero) {
  LoadCommon();
  for (int slot : {0, 5, 8, 10, 18, 20, 28}) ASSERT_NE(Fontb[slot], 0) << slot;
  struct Case {
    int face, step, slot;
  } cases[] = {{0, 5, 5}, {4, 5, 5}, {2, 9, 10}, {3, -1, 20}, {3, 8, 28}, {1, 8, 8}, {2, 0, 10}};
  for (const auto& c : cases) {
    UseFont(c.face, c.step);
    EXPECT_EQ(GetImageFont(), Fontb[c.slot]) << c.face << "," << c.step;
  }
  for (int slot : {9, 19, 29, 30}) EXPECT_EQ(Fontb[slot], 0) << slot;
  for (int slot = 1; slot <= 9; ++slot) EXPECT_NE(Font[slot], 0) << slot;
}

TEST_F(CommonAssetsTest, SoundEffectsLoadOnlyWhereFilesExist) {
  WriteBytes(Paths.game + "003.wav", TinyWav());
  WriteBytes(Paths.game + "010.wav", TinyWav());
  LoadCommon();
  std::vector<std::string> sfx_lines;
  for (const auto& l : LogLines()) {
    if (l.rfind("\tSFX(", 0) == 0) sfx_lines.push_back(l);
  }
  EXPECT_EQ(sfx_lines, (std::vector<std::string>{"\tSFX(3)", "\tSFX(10)"}));
  for (int n = 1; n <= 200; ++n) EXPECT_EQ(sfx[n] != 0, n == 3 || n == 10) << n;
}

TEST_F(CommonAssetsTest, FirstDisplayShowsTheSplashAndPlaysTheJingleOnce) {
  WriteBytes(Paths.common + "badgeget.wav", TinyWav());
  Options[11] = 50;
  Options[12] = 50;
  testgraphics::ClearDraws();
  LoadCommon();
  const auto rects = testgraphics::DrawsOf(testgraphics::Op::Rect);
  ASSERT_EQ(rects.size(), 97u);  // 960 / 10 + 1 bands
  EXPECT_EQ(rects.front().b, 50);
  EXPECT_EQ(rects[1].b, 51);
  EXPECT_EQ(rects.back().b, 98);
  EXPECT_FLOAT_EQ(rects.front().rotation, -45.0f);
  EXPECT_FLOAT_EQ(rects.back().y, 2880.0f);
  EXPECT_FLOAT_EQ(rects.back().w, 1280.0f + 1800.0f);
  EXPECT_EQ(FirstRun, 1);
  ASSERT_NE(Channel[256], 0);
  EXPECT_EQ(testbackend::CountAudioCalls("ResumeChannel"), 1);
  bool volume_set = false;
  for (const auto& call : testbackend::AudioCalls()) {
    if (call.op == "SetChannelVolume" && call.a == Channel[256]) {
      EXPECT_FLOAT_EQ(call.f, 0.25f);
      volume_set = true;
    }
  }
  EXPECT_TRUE(volume_set);
  EXPECT_EQ(testgraphics::FlipCount(), 1);

  testgraphics::ClearDraws();
  testbackend::ClearAudioCalls();
  LoadCommon();
  EXPECT_TRUE(testgraphics::DrawsOf(testgraphics::Op::Rect).empty());
  EXPECT_EQ(testbackend::CountAudioCalls("ResumeChannel"), 0);
  EXPECT_EQ(testgraphics::FlipCount(), 1);
}

TEST_F(CommonAssetsTest, AnotherDisplayReplacesTheAssetsOfTheLastOne) {
  WriteBytes(Paths.game + "003.wav", TinyWav());
  WriteBytes(Paths.common + "badgeget.wav", TinyWav());
  LoadCommon();
  const int fonts = testgraphics::LiveFonts();
  const int sounds = testbackend::LiveSounds();
  EXPECT_EQ(fonts, 9 + 27);
  LoadCommon();
  EXPECT_EQ(testgraphics::LiveFonts(), fonts);
  EXPECT_EQ(testbackend::LiveSounds(), sounds);
}

TEST_F(CommonAssetsTest, WideSplashHasNinetyOneBands) {
  JScrw = 1600;
  JScrh = 900;
  testgraphics::ClearDraws();
  LoadCommon();
  EXPECT_EQ(testgraphics::DrawsOf(testgraphics::Op::Rect).size(), 91u);
}

TEST_F(CommonAssetsTest, ScoreHistoryIsReadOnlyAtTheFirstDisplay) {
  const std::string best = "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n";
  WriteBytes(Paths.game + "scores.dat", "120|Ann|0|65150126130|0|2|0|1\r\n" + best);
  LoadCommon();
  ASSERT_EQ(Highscores.Count(), 1);
  EXPECT_EQ(MyName, "Ann");
  auto game = std::make_shared<Scores>();
  game->Score = 500;
  game->Timestamp = 65150126200;
  game->Name = "Bo";
  Highscores.AddLast(game);
  MyName = "Bo";
  LoadCommon();  // a display switch from the options overlay
  EXPECT_EQ(Highscores.Count(), 2);
  EXPECT_EQ(MyName, "Bo");
}

TEST_F(CommonAssetsTest, ScoreHistoryRoundTripsThroughItsFile) {
  auto older = std::make_shared<Scores>();
  older->Score = -40;
  older->Timestamp = 65150126130;
  older->Name = "Ann";
  older->GameMode = 2;
  older->Quit = 1;
  older->Best[1] = 7;
  older->Best[30] = 9;
  auto newer = std::make_shared<Scores>();
  newer->Score = 120;
  newer->Timestamp = 65150126200;
  newer->Name = "Bo";
  newer->Badges = 5;
  Highscores.AddLast(older);
  Highscores.AddLast(newer);
  SaveScores();
  std::string best_older = "7", best_newer = "0";
  for (int k = 2; k <= 30; ++k) {
    best_older += k == 30 ? "|9" : "|0";
    best_newer += "|0";
  }
  EXPECT_EQ(ReadBytes(Paths.game + "scores.dat"), "120|Bo|5|65150126200|0|0|0|0\r\n" + best_newer + "\r\n" +
                                                      "-40|Ann|0|65150126130|0|2|0|1\r\n" + best_older + "\r\n");
  Highscores.Clear();
  MyName = "Player";
  LoadScores();
  ASSERT_EQ(Highscores.Count(), 2);
  EXPECT_EQ(MyName, "Bo");
  const auto first = *Highscores.begin();
  EXPECT_EQ(first->Name, "Bo");
  EXPECT_EQ(first->Badges, 5);
  const auto second = *(++Highscores.begin());
  EXPECT_EQ(second->Score, -40);
  EXPECT_EQ(second->Quit, 1);
  EXPECT_EQ(second->Best[30], 9);
}

}  // namespace
