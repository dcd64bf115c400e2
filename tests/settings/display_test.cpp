#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "fixture.h"
#include "platform/files.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "settings/common_assets.h"
#include "settings/display.h"
#include "scores/score_panel.h"
#include "startup/globals.h"

using testgraphics::Mode;

namespace {

struct Size {
  int w, h;
  bool operator==(const Size&) const = default;
};

std::vector<Size> Listed() {
  std::vector<Size> out;
  for (int i = 1; i <= MostResses; ++i) out.push_back({ResolutionW[i], ResolutionH[i]});
  return out;
}

const std::string kNoBest = "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n";

// The status the process would end with inside `run`, or -1 when it goes on.
int ExitStatusOf(const std::function<void()>& run) {
  try {
    run();
  } catch (const testbackend::AppExited& e) {
    return e.status;
  }
  return -1;
}

class DisplayTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    MyScrw = 800;
    MyScrh = 600;
    JScrw = 1280;
    JScrh = 960;
    // A slow machine: the engine speed test stops after its first steps.
    testbackend::SetReadCost(8);
  }
  // The lines of the log from the first occurrence of `from` on.
  static std::vector<std::string> LinesFrom(const std::string& from) {
    const auto lines = LogLines();
    const auto it = std::find(lines.begin(), lines.end(), from);
    return std::vector<std::string>(it, lines.end());
  }
};

TEST_F(DisplayTest, ModeListKeepsEachUsableSizeOnceInFirstSeenOrder) {
  struct Case {
    const char* name;
    std::vector<Mode> modes;
    int req_w, req_h;
    std::vector<Size> expect;
    int expect_pos, expect_w, expect_h;
  } cases[] = {
      {"depths and rates fold", {{1024, 768, 16, 60}, {1024, 768, 32, 60}, {1024, 768, 16, 75}, {1024, 768, 32, 75}},
       1024, 768, {{1024, 768}}, 1, 1024, 768},
      {"unusable shapes dropped", {{800, 600, 32, 60}, {1280, 1024, 32, 60}, {1024, 768, 32, 60}, {800, 600, 16, 60}},
       1024, 768, {{800, 600}, {1024, 768}}, 2, 1024, 768},
      {"unlisted request keeps the start size", {{800, 600, 32, 60}, {1280, 1024, 32, 60}, {1024, 768, 32, 60}},
       1280, 1024, {{800, 600}, {1024, 768}}, 0, 800, 600},
      {"16:9 by integer division", {{1366, 768, 32, 60}, {1360, 768, 32, 60}, {1280, 800, 32, 60}, {1280, 768, 32, 60}},
       1366, 768, {{1366, 768}, {1280, 800}}, 1, 1366, 768},
      {"no modes", {}, 1024, 768, {}, 0, 800, 600},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    testgraphics::SetModes(c.modes);
    Options[4] = 0;
    Options[5] = c.req_w;
    Options[6] = c.req_h;
    MyScrw = 800;
    MyScrh = 600;
    BuildModeList();
    EXPECT_EQ(Listed(), c.expect);
    EXPECT_EQ(Options[4], c.expect_pos);
    EXPECT_EQ(MyScrw, c.expect_w);
    EXPECT_EQ(MyScrh, c.expect_h);
    EXPECT_EQ(Options[5], c.expect_w);
    EXPECT_EQ(Options[6], c.expect_h);
  }
}

TEST_F(DisplayTest, ModeListStopsAtTheTablesEnd) {
  // The display layer lists at most 2499 modes itself; a list of only new
  // sizes fills the tables to their last position and no further.
  std::vector<Mode> modes;
  for (int k = 1; k <= 3000; ++k) modes.push_back({4 * k, 3 * k, 32, 60});
  testgraphics::SetModes(modes);
  BuildModeList();
  EXPECT_EQ(MostResses, kMaxResses);
  EXPECT_EQ(ResolutionW[kMaxResses], 4 * kMaxResses);
}

TEST_F(DisplayTest, VirtualScreenFollowsTheDisplayShape) {
  struct Case {
    int w, h;
    int jw, jh, wide;
    std::vector<std::string> log;
  } cases[] = {
      {640, 480, 1280, 960, 0, {}},
      {1024, 768, 1280, 960, 0, {}},
      {1280, 720, 1600, 900, 1, {"\tWidescreen mode!"}},
      {1366, 768, 1600, 900, 1, {"\tWidescreen mode!"}},
      {1920, 1080, 1600, 900, 1, {"\tWidescreen mode!"}},
      {1280, 800, 1440, 900, 1, {"\tWidescreen mode B (10:16)!"}},
      {1680, 1050, 1440, 900, 1, {"\tWidescreen mode B (10:16)!"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::to_string(c.w) + "x" + std::to_string(c.h));
    MyScrw = c.w;
    MyScrh = c.h;
    const size_t before = LogLines().size();
    ChooseVirtualScreen();
    const auto lines = LogLines();
    EXPECT_EQ(JScrw, c.jw);
    EXPECT_EQ(JScrh, c.jh);
    EXPECT_EQ(Options[2], c.wide);
    EXPECT_EQ(std::vector<std::string>(lines.begin() + static_cast<long>(before), lines.end()), c.log);
  }
}

TEST_F(DisplayTest, SwitchOpensTheDisplayAndLogsItsGroup) {
  testgraphics::SetModes({{800, 600, 32, 60}, {1280, 720, 32, 60}, {1024, 768, 32, 60}});
  Options[5] = 1280;
  Options[6] = 720;
  Options[3] = 2;
  WriteBytes(Paths.game + "crash.dat", "");
  ChangeRes();

  EXPECT_TRUE(testgraphics::DisplayOpen());
  EXPECT_EQ(testgraphics::DisplayWidth(), 1280);
  EXPECT_EQ(testgraphics::DisplayHeight(), 720);
  EXPECT_EQ(testgraphics::DisplayDepth(), 0);
  EXPECT_EQ(testgraphics::EndGraphicsCalls(), 0);
  EXPECT_EQ(testgraphics::DriverDefaultFlags(), 2);
  EXPECT_EQ(Options[3], 0);
  EXPECT_EQ(Options[4], 2);
  EXPECT_EQ(JScrw, 1600);
  EXPECT_EQ(JScrh, 900);
  EXPECT_EQ(FirstRun, 1);
  EXPECT_EQ(FileType(Paths.game + "crash.dat"), 0);

  const std::vector<std::string> head = {"",
                                         "-=-=-=-=-=-=-=-=-=-=-=-=-=-",
                                         "Applying Graphical Settings",
                                         "\tUsing OpenGL Driver",
                                         "\tResolution : 1280x720,0",
                                         "\tWidescreen mode!",
                                         "",
                                         "Loading : Common Objects",
                                         "",
                                         "Switching to Default Folder",
                                         "",
                                         "\tDefault Fonts",
                                         "\tDefault Icons",
                                         "\tLogos",
                                         "\tBadgeGet",
                                         "",
                                         "Switching to Game Folder",
                                         "",
                                         "Loading Sound effects",
                                         "Sounds loaded",
                                         "",
                                         "Starting Engine Test",
                                         "Aiming for 60,2"};
  // The test folder holds no assets: the lines naming each missing file
  // stand between these.
  std::vector<std::string> lines;
  for (const auto& line : LogLines()) {
    if (line.rfind("\tCould not load ", 0) != 0) lines.push_back(line);
  }
  ASSERT_GE(lines.size(), head.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(head.size())), head);
  EXPECT_EQ(lines.back(), "-=-=-=-=-=-=-=-=-=-=-=-=-=-");

  // Apply: the open display is closed first and the group says so.
  testgraphics::SetModes({{800, 600, 32, 60}, {1024, 768, 32, 60}});
  Options[5] = 1024;
  Options[6] = 768;
  ChangeRes();
  EXPECT_EQ(testgraphics::EndGraphicsCalls(), 1);
  EXPECT_EQ(testgraphics::DisplayWidth(), 1024);
  EXPECT_EQ(JScrw, 1280);
  EXPECT_EQ(JScrh, 960);
  EXPECT_EQ(Options[2], 0);
  const auto last = LogLines();
  const auto second = std::find(last.rbegin(), last.rend(), "Applying Graphical Settings");
  ASSERT_NE(second, last.rend());
  EXPECT_EQ(*(second - 1), "\tChanged Graphics Mode ingame.");
  EXPECT_EQ(*(second - 2), "\tUsing OpenGL Driver");
  EXPECT_EQ(*(second - 3), "\tResolution : 1024x768,0");
}

TEST_F(DisplayTest, FullScreenTakesTheFirstDepthOffered) {
  testgraphics::SetModes({{1024, 768, 24, 60}, {1024, 768, 16, 60}});
  Options[1] = 1;
  Options[5] = 1024;
  Options[6] = 768;
  ChangeRes();
  EXPECT_EQ(testgraphics::DisplayDepth(), 24);
  const auto lines = LinesFrom("\tResolution : 1024x768,24");
  EXPECT_FALSE(lines.empty());
  EXPECT_EQ(comments.Count(), 0);
}

TEST_F(DisplayTest, FullScreenWithoutDepthOpensAWindowWithAComment) {
  testgraphics::SetModes({{1024, 768, 32, 60}, {800, 600, 32, 60}});
  Options[1] = 1;
  Options[5] = 1024;
  Options[6] = 768;
  // The display lists the size but refuses to go full screen in it.
  testgraphics::SetDisplayRefusal([](int, int, int depth) { return depth != 0; });
  ChangeRes();
  EXPECT_TRUE(testgraphics::DisplayOpen());
  EXPECT_EQ(testgraphics::DisplayDepth(), 0);
  EXPECT_EQ(testgraphics::DisplayWidth(), 1024);
  EXPECT_EQ(Options[1], 1);
  ASSERT_GE(comments.Count(), 1);
  EXPECT_EQ((*comments.begin())->txt, "Can't set to fullscreen in this resolution.");
  EXPECT_EQ((*comments.begin())->c, 1);
}

TEST_F(DisplayTest, FullScreenAtASizeWithoutModesStaysWindowed) {
  // 800x600 is not offered: the requested size is not listed either, so the
  // start size stays, and it has no full-screen mode.
  testgraphics::SetModes({{1024, 768, 32, 60}});
  Options[1] = 1;
  Options[5] = 1280;
  Options[6] = 960;
  ChangeRes();
  EXPECT_EQ(testgraphics::DisplayWidth(), 800);
  EXPECT_EQ(testgraphics::DisplayDepth(), 0);
  EXPECT_EQ(Options[5], 800);
  EXPECT_EQ(Options[6], 600);
  EXPECT_FALSE(LinesFrom("\tResolution : 800x600,0").empty());
  ASSERT_EQ(comments.Count(), 1);
  EXPECT_EQ((*comments.begin())->txt, "Can't set to fullscreen in this resolution.");
}

TEST_F(DisplayTest, RefusedSizeFallsBackToASmallWindow) {
  testgraphics::SetModes({{1024, 768, 32, 60}, {800, 600, 32, 60}});
  Options[5] = 1024;
  Options[6] = 768;
  testgraphics::SetDisplayRefusal([](int w, int, int) { return w == 1024; });
  ChangeRes();
  EXPECT_TRUE(testgraphics::DisplayOpen());
  EXPECT_EQ(testgraphics::DisplayWidth(), 800);
  EXPECT_EQ(testgraphics::DisplayHeight(), 600);
  EXPECT_EQ(MyScrw, 800);
  EXPECT_EQ(Options[5], 800);
  EXPECT_EQ(Options[6], 600);
  EXPECT_EQ(JScrw, 1280);
}

TEST_F(DisplayTest, NoDisplayAtTheFirstStartEndsTheRunAndLeavesThePlayersFilesAlone) {
  const std::string scores = "120|Ann|0|65150126130|0|2|0|1\r\n" + kNoBest;
  const std::string setup = "[Graphics]\r\nWidth=1600\r\nHeight=900\r\n";
  WriteBytes(Paths.game + "scores.dat", scores);
  WriteBytes(Paths.data + "Setup.ini", setup);
  Options[5] = 1600;
  Options[6] = 900;
  testgraphics::SetDisplayRefusal([](int, int, int) { return true; });
  // A failed start: status 1, and the one line on standard error names the
  // display's own reason.
  ::testing::internal::CaptureStderr();
  const int status = ExitStatusOf([] { ChangeRes(); });
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 1);
  EXPECT_EQ(said, "Duskmoor II could not open a display: the test display refused 800x600\n");
  EXPECT_EQ(ChangingRes, 0);
  EXPECT_EQ(ReadBytes(Paths.game + "scores.dat"), scores);
  EXPECT_EQ(ReadBytes(Paths.data + "Setup.ini"), setup);
  // Nothing but the log is left behind: no marker of a switch under way.
  EXPECT_EQ(FileType(Paths.game + "crash.dat"), 0);
  const auto lines = LogLines();
  ASSERT_GE(lines.size(), 7u);
  EXPECT_EQ(lines[5], "\tNo display could be opened.");
  EXPECT_EQ(lines.back(), "Play again, soon!!");
}

TEST_F(DisplayTest, NoDisplayAfterAnApplySavesTheSettingsAndTheHistory) {
  // The first display read the history; an Apply that then finds no display
  // at all still keeps the games played since.
  HistoryLoaded = true;
  auto played = std::make_shared<Scores>();
  played->Score = 75;
  played->Name = "Cy";
  Highscores.AddLast(played);
  Options[5] = 1024;
  Options[6] = 768;
  testgraphics::SetDisplayRefusal([](int, int, int) { return true; });
  // Not a failed start: the game ran, and ends as any other way out does.
  FirstRun = 1;
  ::testing::internal::CaptureStderr();
  EXPECT_EQ(ExitStatusOf([] { ChangeRes(); }), 0);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "");
  EXPECT_EQ(ReadBytes(Paths.game + "scores.dat"), "75|Cy|0|0|0|0|0|0\r\n" + kNoBest);
  const std::string setup = ReadBytes(Paths.data + "Setup.ini");
  EXPECT_NE(setup.find("\r\nWidth=1024\r\nHeight=768\r\n"), std::string::npos) << setup;
  Highscores.Clear();
}

TEST_F(DisplayTest, NoSecondSwitchWhileOneRuns) {
  ChangingRes = 1;
  ChangeRes();
  EXPECT_EQ(testgraphics::GraphicsCalls(), 0);
  EXPECT_TRUE(LogLines().empty());
}

}  // namespace
