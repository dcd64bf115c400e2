// Memory that runs out where the game cannot do without it: the whole
// program, from its main routine on, runs in a process of its own until the
// allocator fails at a chosen moment, and the process ends through the
// game's own way out rather than on an uncaught exception.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "common/child_exit.h"
#include "common/fresh_globals.h"
#include "common/memory_ceiling.h"
#include "common/test_util.h"
#include "framework/globals.h"
#include "game/game_state.h"
#include "map/map_screen.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "settings/debug_log.h"
#include "settings/farewell.h"
#include "startup/main_routine.h"
#include "startup/startup.h"
#include "startup_case.h"

namespace {

namespace fs = std::filesystem;
using testutil::ReadBytes;
using testutil::WriteBytes;

constexpr int kFireKey = 90;
// Far more frames than the start-up, a game and its name entry take: a run
// still going then has missed the moment.
constexpr int kMostFrames = 200000;
constexpr int kRanOn = 98;

enum class Moment { kDisplayStart, kTitle, kNameEntry };

// Where the memory goes, frame by frame: the title, one game on the first
// level (its player dies at once) and its name entry.
class Script {
 public:
  Script(Moment moment, bool all_gone) : moment_(moment), all_gone_(all_gone) {}

  void Install() {
    // The first display the start-up asks for is the display's start.
    testgraphics::SetDisplayRefusal([this](int, int, int) {
      if (moment_ == Moment::kDisplayStart) RunOut();
      return false;
    });
    testbackend::AddFrameHook([this] { Frame(); });
  }

 private:
  void RunOut() {
    if (ran_out_) return;
    ran_out_ = true;
    // Every later allocation through new fails, in whatever the game does
    // next; only memory the game gives back makes room again, unless none is
    // left at all.
    if (all_gone_) testutil::TakeAllMemory();
    else testutil::SetMemoryCeiling(0);
  }

  void Frame() {
    if (ran_out_) return;
    if (++frames_ > kMostFrames) std::_Exit(kRanOn);
    if (StartingUp()) return;
    if (moment_ == Moment::kTitle) return RunOut();
    if (InGame == 0 && played_) return RunOut();
    if (InGame == 0) {
      // Fire starts a game once the title lets it.
      if (frames_ % 2 == 0) testbackend::PressKey(kFireKey);
      else testbackend::ReleaseKey(kFireKey);
      return;
    }
    played_ = true;
    if (mapstate.mapDone == 0) {
      // Fire leaves the map screen once it is shown.
      if (mapstate.fadeTick == 0) testbackend::PressKey(kFireKey);
      else testbackend::ReleaseKey(kFireKey);
      return;
    }
    testbackend::ReleaseKey(kFireKey);
    if (pla) pla->health = 0;
  }

  Moment moment_;
  bool all_gone_;
  bool ran_out_ = false;
  bool played_ = false;
  int frames_ = 0;
};

struct Outcome {
  int status;
  std::string said;  // standard error
};

// The program run in a child process on `root` (the executable's folder),
// as main runs it: an exception that leaves the main routine ends the
// process as it ends a real run.
Outcome RunProgram(const fs::path& root, Moment moment, bool all_gone) {
  const std::string said = root.string() + ".stderr";
  const pid_t pid = ::fork();
  if (pid == 0) {
    const int fd = ::open(said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (fd < 0 || ::dup2(fd, 2) < 0) std::_Exit(97);
    // The test program's stand-in for the executable's folder is the
    // temporary folder.
    ::setenv("TMPDIR", root.c_str(), 1);
    testbackend::Reset();
    testutil::FreshGlobals();
    MainRoutineOnce = 0;
    // A process starts up until its start-up says otherwise.
    SetStartingUp(true);
    static Script script(moment, all_gone);
    script.Install();
    [&]() noexcept { MainRoutine(); }();
    std::_Exit(96);
  }
  const int status = testutil::WaitForChildExit(pid, 240);
  Outcome out{status, ReadBytes(said)};
  fs::remove(said);
  return out;
}

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < text.size()) {
    size_t end = text.find("\r\n", start);
    if (end == std::string::npos) end = text.size();
    lines.push_back(text.substr(start, end - start));
    start = end + 2;
  }
  return lines;
}

bool HasLine(const std::vector<std::string>& lines, const std::string& line) {
  for (const auto& l : lines)
    if (l == line) return true;
  return false;
}

TEST(OutOfMemory, EndsTheRunWithOneLineTheSavesThatCanRunAndStatusOne) {
  struct Case {
    const char* what;
    Moment moment;
    bool all_gone;
    // Setup.ini and scores.dat written (with the finished game, if any)
    bool saved;
    bool game;
  };
  const Case cases[] = {
      // The settings may hold a fallback size and the history is unread.
      {"the display's start", Moment::kDisplayStart, false, false, false},
      {"the title screen", Moment::kTitle, false, true, false},
      {"a finished game's name entry", Moment::kNameEntry, false, true, true},
      // Not a byte for the saves either: each fails and leaves its file.
      {"a finished game's name entry, every byte gone", Moment::kNameEntry, true, false, false},
  };
  const std::string old_setup = "Width=1600\r\nHeight=900\r\n";
  const std::string old_game = "120|Ann|0|65150126130|0|2|0|1";
  const std::string old_scores =
      old_game + "\r\n0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path root = fs::temp_directory_path() / ("dm_oom_" + std::to_string(::getpid()));
    fs::remove_all(root);
    fs::create_directories(root / "Files" / "256");
    fs::create_directories(root / "Files" / "Common");
    fs::create_directories(root / "DuskmoorII_Levels");
    WriteBytes((root / "Files" / "Setup.ini").string(), old_setup);
    WriteBytes((root / "Files" / "256" / "scores.dat").string(), old_scores);
    WriteBytes((root / "DuskmoorII_Levels" / "01 - First.xml").string(),
               "<title>01 - First</title>\n<from>40,100</from>\n<to>60,100</to>\n"
               "<room>\n<position>0,0</position>\n<top>\n<layer></layer>\n<layer></layer>\n"
               "<layer>\n2:cross\n</layer>\n</top>\n</room>\n");

    const Outcome out = RunProgram(root, c.moment, c.all_gone);

    EXPECT_EQ(out.status, 1);
    EXPECT_EQ(out.said, "Duskmoor II ran out of memory\n");
    const auto log = Lines(ReadBytes((root / "Files" / "Debug.txt").string()));
    EXPECT_TRUE(HasLine(log, "Duskmoor II ran out of memory")) << ReadBytes((root / "Files" / "Debug.txt").string());
    const std::string setup = ReadBytes((root / "Files" / "Setup.ini").string());
    const auto scores = Lines(ReadBytes((root / "Files" / "256" / "scores.dat").string()));
    if (c.saved) {
      EXPECT_EQ(setup.rfind("[Graphics]\r\n", 0), 0u) << setup;
      // The old game, and the finished one under the name its entry began
      // with, each with its line of best values.
      EXPECT_EQ(scores.size(), c.game ? 4u : 2u) << ReadBytes((root / "Files" / "256" / "scores.dat").string());
      EXPECT_TRUE(HasLine(scores, old_game));
      size_t games = 0;
      for (const auto& line : scores) games += line.find("|Ann|") != std::string::npos;
      EXPECT_EQ(games, c.game ? 2u : 1u);
      EXPECT_TRUE(HasLine(log, "Play again, soon!!"));
    } else {
      EXPECT_EQ(setup, old_setup);
      EXPECT_EQ(ReadBytes((root / "Files" / "256" / "scores.dat").string()), old_scores);
    }
    // No save was left half made.
    for (const auto& e : fs::recursive_directory_iterator(root))
      EXPECT_NE(e.path().extension(), ".tmp") << e.path();
    fs::remove_all(root);
  }
}

using OutOfMemoryOnTheWayOut = StartupCase;

TEST_F(OutOfMemoryOnTheWayOut, ADisplayLostWithNoMemoryLeftLeavesAsMemoryRunOutDoes) {
  // The window system's library calls the hook, and no exception may cross
  // the library back.
  const fs::path root = fs::temp_directory_path() / ("dm_oom_lost_" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "Files" / "256");
  RunStartup(root.string());
  HoldMemoryForTheWayOut();
  const std::string cause = "the connection to the X server broke";
  ::testing::internal::CaptureStderr();
  testutil::TakeAllMemory();
  int status = -1;
  bool threw = false;
  try {
    status = LeaveWithoutDisplay(cause);
  } catch (...) {
    threw = true;
  }
  testutil::LiftMemoryCeiling();
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_FALSE(threw);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(said, "Duskmoor II ran out of memory\n");
  EXPECT_TRUE(HasLine(Lines(ReadBytes((root / "Files" / "Debug.txt").string())), "Duskmoor II ran out of memory"));
  fs::remove_all(root);
}

}  // namespace
