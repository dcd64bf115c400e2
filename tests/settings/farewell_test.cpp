#include <gtest/gtest.h>

#include <sys/stat.h>

#include <memory>
#include <string>
#include <vector>

#include "fixture.h"
#include "framework/globals.h"
#include "game/game_state.h"
#include "level/level_browser.h"
#include "level/rooms.h"
#include "platform/list.h"
#include "startup/object_kinds.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "scores/history.h"
#include "settings/common_assets.h"
#include "settings/farewell.h"
#include "settings/settings_file.h"
#include "startup/globals.h"

using testgraphics::Op;

namespace {

class FarewellTest : public GameFolderTest {
 protected:
  void SetUp() override {
    GameFolderTest::SetUp();
    Graphics(1024, 768, 0, 60, 0);
  }
};

TEST_F(FarewellTest, ExitSavesAndWritesTheClosingLines) {
  HistoryLoaded = true;
  auto played = std::make_shared<Scores>();
  played->Score = 310;
  played->Name = "Di";
  played->Timestamp = 65150126130;
  Highscores.AddLast(played);
  Options[5] = 1024;
  Options[6] = 768;
  Debug("Finished Loading");
  SaveOnExit();
  Highscores.Clear();
  // The exit group, byte for byte, right after the last line before it.
  const std::string log = ReadBytes(Paths.data + "Debug.txt");
  const std::string golden = ReadBytes((std::filesystem::path(__FILE__).parent_path() / "golden" / "debug_exit.txt").string());
  EXPECT_EQ(log, "Finished Loading\r\n" + golden);
  EXPECT_EQ(ReadBytes(Paths.data + "Setup.ini"), SetupIniText());
  EXPECT_NE(SetupIniText().find("\r\nWidth=1024\r\nHeight=768\r\n"), std::string::npos);
  EXPECT_EQ(ReadBytes(Paths.game + "scores.dat"),
            "310|Di|0|65150126130|0|0|0|0\r\n0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n");
  EXPECT_EQ(testbackend::MouseHidden(), 0);
}

TEST_F(FarewellTest, ExitWhileEditingTheOwnLevelWritesItsUnsavedEdits) {
  std::filesystem::create_directories(Paths.levels);
  Uselevel = std::make_shared<game>();
  Uselevel->name = "My Level.xml";
  Uselevel->Title = "xx - Your Level";
  ClearList(rooms);
  EmptyRoom = std::make_shared<layout>();
  ListAddLast(rooms, EmptyRoom);
  auto room = std::make_shared<layout>();
  room->title = "Kept";
  ListAddLast(rooms, room);
  editmode = 1;
  playstate.unsaved = 1;
  SaveOnExit();
  EXPECT_NE(ReadBytes(Paths.levels + "My Level.xml").find("<title>Kept</title>"), std::string::npos);
  EXPECT_EQ(playstate.unsaved, 0);
  editmode = 0;
}

TEST_F(FarewellTest, ExitBeforeTheHistoryWasReadWritesNeitherFile) {
  WriteBytes(Paths.game + "scores.dat", "kept");
  WriteBytes(Paths.data + "Setup.ini", "[Graphics]\r\nWidth=1600\r\n");
  SaveOnExit();
  EXPECT_EQ(ReadBytes(Paths.game + "scores.dat"), "kept");
  EXPECT_EQ(ReadBytes(Paths.data + "Setup.ini"), "[Graphics]\r\nWidth=1600\r\n");
  const auto lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Play again, soon!!");
}

TEST_F(FarewellTest, FilesThatCouldNotBeReadAtStartLeaveTheExitAsTheyWere) {
  const std::string scores =
      "310|Di|0|65150126130|0|0|0|0\r\n0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n";
  const std::string setup = "[Audio]\r\nMaster = 90\r\n[Controls]\r\nKey=10,65\r\n";
  WriteBytes(Paths.game + "scores.dat", scores);
  WriteBytes(Paths.data + "Setup.ini", setup);
  // Mode 000 for the player; the tests may run as the superuser, whom
  // permissions do not bind.
  SetOwnerPermissionsBind(true);
  chmod((Paths.game + "scores.dat").c_str(), 0);
  chmod((Paths.data + "Setup.ini").c_str(), 0);
  ReadSettings();
  LoadScores();
  HistoryLoaded = true;
  SaveOnExit();
  SetOwnerPermissionsBind(false);
  chmod((Paths.game + "scores.dat").c_str(), 0644);
  chmod((Paths.data + "Setup.ini").c_str(), 0644);
  EXPECT_EQ(ReadBytes(Paths.game + "scores.dat"), scores);
  EXPECT_EQ(ReadBytes(Paths.data + "Setup.ini"), setup);
  const auto lines = LogLines();
  const std::vector<std::string> head = {
      "\tSetup.ini could not be read (Permission denied): it will not be written in this run",
      "\t256/scores.dat could not be read (Permission denied): it will not be written in this run",
      "Scores not saved: 256/scores.dat could not be read at start and is left as it is",
      "Closing Up"};
  ASSERT_GE(lines.size(), head.size());
  EXPECT_EQ(std::vector<std::string>(lines.begin(), lines.begin() + static_cast<long>(head.size())), head);
  EXPECT_EQ(lines.back(), "Play again, soon!!");
}

TEST_F(FarewellTest, ThanksScreenOpensASmallWindowAndDrawsOnce) {
  ShowThanksScreen();
  EXPECT_EQ(testgraphics::DisplayWidth(), 640);
  EXPECT_EQ(testgraphics::DisplayHeight(), 480);
  EXPECT_EQ(testgraphics::DisplayDepth(), 0);
  EXPECT_EQ(testgraphics::FlipCount(), 1);
  struct Expect {
    const char* text;
    float x, y;
    int r;
  } expect[] = {{"Thanks for Playing", 2, 222, 0},
                {"Send Feedback!", 52, 276, 0},
                {"Thanks for Playing", 0, 220, 255},
                {"Send Feedback!", 50, 274, 255},
                {"This Game is Free", 320, 4, 180},
                {"I do not ask for money.", 270, 44, 180},
                {"I create these games for fun.", 270, 64, 180},
                {"All I ask is that players send some feedback.", 270, 84, 180},
                {"A comment, an email, a vote.", 270, 104, 180},
                {"Do the right thing.", 270, 134, 180},
                {"Support Homebrew games by", 270, 164, 180},
                {"saying thanks to their developers.", 270, 184, 180}};
  const auto texts = testgraphics::DrawsOf(Op::Text);
  ASSERT_EQ(texts.size(), std::size(expect));
  for (size_t i = 0; i < texts.size(); ++i) {
    EXPECT_EQ(texts[i].text, expect[i].text);
    EXPECT_FLOAT_EQ(texts[i].x, expect[i].x) << i;
    EXPECT_FLOAT_EQ(texts[i].y, expect[i].y) << i;
    EXPECT_EQ(texts[i].r, expect[i].r) << i;
  }
  const auto rects = testgraphics::DrawsOf(Op::Rect);
  ASSERT_EQ(rects.size(), 1u);
  EXPECT_EQ(rects[0].b, 80);
  EXPECT_FLOAT_EQ(rects[0].w, 640.0f);
}

TEST_F(FarewellTest, WaitEndsOnKeysButtonsAndCloseRequests) {
  struct Case {
    const char* name;
    std::vector<int> keys;
    int button;
    bool close;
    bool done;
  } cases[] = {
      {"nothing", {}, 0, false, false},
      {"a key", {65}, 0, false, true},
      {"escape still held", {27}, 0, false, true},
      {"key with F11 held", {65, 122}, 0, false, false},
      {"left button", {}, 1, false, true},
      {"right button with F12 held", {123}, 2, false, true},
      {"middle button", {}, 3, false, false},
      {"alt and F4", {164, 115}, 0, false, true},
      {"close request", {}, 0, true, true},
  };
  for (const auto& c : cases) {
    testbackend::Reset();
    for (int k : c.keys) testbackend::PressKey(k);
    if (c.button) testbackend::PressMouse(c.button);
    if (c.close) testbackend::RequestClose();
    EXPECT_EQ(FarewellDone(), c.done) << c.name;
  }
}

TEST_F(FarewellTest, FinishEndsTheProcessWithStatusZero) {
  testbackend::PressKey(27);
  int status = -1;
  try {
    Finish();
  } catch (const testbackend::AppExited& e) {
    status = e.status;
  }
  EXPECT_EQ(status, 0);
  EXPECT_EQ(testgraphics::DisplayOpen(), false);
  const auto lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Play again, soon!!");
}

TEST_F(FarewellTest, WaitSleepsBetweenPollsAndShowsTheScreenAgain) {
  // The looks one pass of the wait takes.
  const int64_t before = testbackend::InputPolls();
  FarewellDone();
  const int64_t per_pass = testbackend::InputPolls() - before;
  ASSERT_GT(per_pass, 0);
  // Nothing ends the wait for two seconds of the clock, then a key does; a
  // wait that never sleeps is cut short after far more passes.
  const int64_t limit = testbackend::InputPolls() + per_pass * 100000;
  testbackend::SetInputPollHook([limit](int64_t polls) {
    if (testbackend::Clock() >= 2000 || polls > limit) testbackend::PressKey(65);
  });
  const int status = [] {
    try {
      Finish();
    } catch (const testbackend::AppExited& e) {
      return e.status;
    }
    return -1;
  }();
  EXPECT_EQ(status, 0);
  // A millisecond's sleep per pass: about two thousand passes.
  EXPECT_GE(testbackend::Clock(), 2000);
  EXPECT_LE(testbackend::InputPolls() - before, per_pass * 2100);
  // Drawn and shown at the start and again four times a second.
  EXPECT_GE(testgraphics::FlipCount(), 1 + 2000 / 250 - 1);
  EXPECT_LE(testgraphics::FlipCount(), 1 + 2000 / 250 + 1);
  size_t thanks = 0;
  for (const auto& d : testgraphics::DrawsOf(Op::Text)) thanks += d.text == "Thanks for Playing";
  EXPECT_EQ(thanks, 2u * static_cast<size_t>(testgraphics::FlipCount()));
}

TEST_F(FarewellTest, SignalFromTheSystemSavesAndEndsWithoutTheThanksScreen) {
  HistoryLoaded = true;
  testbackend::RequestSystemQuit();
  int status = -1;
  try {
    Finish();
  } catch (const testbackend::AppExited& e) {
    status = e.status;
  }
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadBytes(Paths.data + "Setup.ini"), SetupIniText());
  EXPECT_EQ(FileType(Paths.game + "scores.dat"), 1);
  EXPECT_EQ(testgraphics::DisplayOpen(), false);
  // No farewell window was opened after the fixture's own display.
  EXPECT_EQ(testgraphics::GraphicsCalls(), 1);
  for (const auto& d : testgraphics::DrawsOf(Op::Text)) EXPECT_NE(d.text, "Thanks for Playing");
  const auto lines = LogLines();
  ASSERT_FALSE(lines.empty());
  EXPECT_EQ(lines.back(), "Play again, soon!!");
}

}  // namespace
