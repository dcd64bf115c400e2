#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "fixture.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "platform/files.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "settings/common_assets.h"
#include "settings/settings_file.h"
#include "settings/options.h"
#include "settings/startup_sequence.h"
#include "startup/globals.h"
#include "startup/startup.h"
#include "title/title.h"

namespace {

std::vector<std::string> SplitLines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    const size_t end = text.find("\r\n", start);
    lines.push_back(text.substr(start, end - start));
    if (end == std::string::npos) break;
    start = end + 2;
  }
  return lines;
}

// A golden line matches when equal, where "<n>" stands for a decimal number.
bool Matches(const std::string& line, const std::string& golden) {
  const size_t at = golden.find("<n>");
  if (at == std::string::npos) return line == golden;
  const std::string head = golden.substr(0, at), tail = golden.substr(at + 3);
  if (line.size() <= head.size() + tail.size() || line.compare(0, head.size(), head) != 0 ||
      line.compare(line.size() - tail.size(), tail.size(), tail) != 0)
    return false;
  const std::string digits = line.substr(head.size(), line.size() - head.size() - tail.size());
  return digits.find_first_not_of("0123456789") == std::string::npos;
}

// From the source folder ctest names: a compiler cache may record this file's
// path relative to where it was built, and the tests change folder.
std::string GoldenPath(const std::string& name) {
  const char* sources = std::getenv("DUSKMOOR_SOURCE_DIR");
  const std::filesystem::path here = sources ? std::filesystem::path(sources) / "tests" / "settings"
                                             : std::filesystem::path(__FILE__).parent_path();
  return (here / "golden" / name).string();
}

class StartUpSequenceTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    CloseDebugLog();
    // The whole global start-up, as the main routine runs it, into this tree.
    RunStartup(root_.string());
    // A slow machine: the engine speed test ends early and falls back to 30.
    testbackend::SetReadCost(8);
  }
};

TEST_F(StartUpSequenceTest, LogHoldsTheStartUpAndDisplayGroups) {
  WriteBytes(Paths.game + "001.wav", "not a sound, but present");
  const int32_t hold = StartUpSequence();
  const auto lines = LogLines();
  const auto golden = SplitLines(ReadBytes(GoldenPath("debug_startup.txt")));
  ASSERT_EQ(lines.size(), golden.size()) << ::testing::PrintToString(lines);
  for (size_t i = 0; i < golden.size(); ++i) {
    EXPECT_TRUE(Matches(lines[i], golden[i])) << i << ": " << lines[i];
  }
  EXPECT_GE(testbackend::Clock() - (hold - 2500), 0);
  EXPECT_EQ(AvailablePlayers, 4);
  EXPECT_EQ(GameBadges, 16);
  EXPECT_EQ(InGame, 0);
  EXPECT_EQ(FirstRun, 1);
  EXPECT_EQ(FileType(Paths.game + "crash.dat"), 0);
}

TEST_F(StartUpSequenceTest, SettingsFileShapesTheLogAndTheRequest) {
  WriteBytes(Paths.data + "Setup.ini",
             "Fullscreen = True\r\nFullscreen = True\r\nWidth=1234\r\nHeight=567\r\nAudioDriver = Null\r\n");
  StartUpSequence();
  const auto lines = LogLines();
  const std::vector<std::string> head = {"Loading",
                                         "\tReading Setup File",
                                         "\tSetting to Fullscreen",
                                         "\tSetting to Fullscreen",
                                         "Setting Audio Driver",
                                         "Set Audio Driver",
                                         "",
                                         "\tRequested Resolution : 1234x567"};
  ASSERT_GE(lines.size(), 7 + head.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin() + 7, lines.begin() + 7 + static_cast<long>(head.size())), head);
  // The size is not offered, so the display opens at the start size.
  EXPECT_EQ(Options[5], 800);
  EXPECT_EQ(Options[6], 600);
  EXPECT_EQ(AuxDrivers[static_cast<size_t>(Options[14])], "Null");
  int set = 0;
  for (const auto& call : testbackend::AudioCalls()) set += call.op == "SetAudioDriver" && call.text == "Null";
  EXPECT_EQ(set, 1);
}

TEST_F(StartUpSequenceTest, DisplayOpensBeforeTheHoldRunsOut) {
  testbackend::SetReadCost(0);
  testbackend::SetClock(1000);
  const int32_t hold = StartUpSequence();
  EXPECT_EQ(hold, 3500);
  EXPECT_TRUE(testgraphics::DisplayOpen());
}

// Stands in for the farewell, which never returns.
struct RunEnded {};

TEST_F(StartUpSequenceTest, AnEndRequestDuringTheLoadingHoldIsAnsweredAtOnce) {
  // The title waits for the loading hold to run out; a termination signal
  // or a close request that arrives meanwhile ends the run there and then,
  // as a frame would.
  for (const bool signal : {true, false}) {
    if (!signal) {
      TearDown();
      SetUp();
    }
    StartUpSequence();
    // A machine that loaded everything at once: the whole hold is still to
    // come (the virtual clock of the start-up has run past its own).
    const int32_t loaded = testbackend::Clock();
    const int32_t hold = loaded + 2500;
    ResetPumpServices();
    int32_t answeredAt = -1;
    PumpServices().finish = [&answeredAt] {
      answeredAt = testbackend::Clock();
      throw RunEnded{};
    };
    if (signal) testbackend::RequestSystemQuit();
    else testbackend::RequestClose();
    EXPECT_THROW(TitleScreen(hold), RunEnded) << signal;
    ResetPumpServices();
    EXPECT_GE(answeredAt - loaded, 0) << signal;
    EXPECT_LE(answeredAt - loaded, 20) << signal;
  }
}

}  // namespace
