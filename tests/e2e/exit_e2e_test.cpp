// The real game's ways out that the player does not choose: no display at
// all, a termination signal from the system, and the display lost while the
// game runs.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_util.h"

namespace {

using namespace e2e;

const std::string kSetup =
    "[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\nWidth=1600\r\nHeight=900\r\n\r\n[Audio]\r\n"
    "Master = 50\r\nSound = 50\r\nMusic = 0\r\n";

// The names of the files under `dir`, with their sizes.
std::vector<std::string> Listing(const fs::path& dir) {
  std::vector<std::string> out;
  for (const auto& e : fs::recursive_directory_iterator(dir)) {
    if (e.is_regular_file()) out.push_back(fs::relative(e.path(), dir).string() + " " + std::to_string(e.file_size()));
  }
  std::sort(out.begin(), out.end());
  return out;
}

TEST(ExitEndToEnd, WithoutAnyDisplayTheRunFailsSaysWhyAndLeavesThePlayersFilesAsTheyWere) {
  const char* game_env = std::getenv("DUSKMOOR_GAME_DIR");
  ASSERT_NE(game_env, nullptr);
  const fs::path root = CopyGame(game_env, "nodisplay");
  const fs::path files = root / "Files";
  const fs::path err = fs::temp_directory_path() / ("duskmoor_nodisplay_err_" + std::to_string(getpid()));
  WriteAll(files / "256" / "scores.dat", kScores);
  WriteAll(files / "Setup.ini", kSetup);
  const std::vector<std::string> before = Listing(files);
  const pid_t pid = StartGame(root, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, {}, err);
  ASSERT_NE(pid, 0);
  const int status = WaitForExit(pid);
  if (status < 0) kill(pid, SIGKILL);
  EXPECT_EQ(status, 1);
  // Among whatever the libraries print, one line of the game's names the
  // window system's reason.
  const std::string said = ReadAll(err);
  fs::remove(err);
  const std::string head = "Duskmoor II could not open a display: ";
  const size_t at = said.find(head);
  ASSERT_NE(at, std::string::npos) << said;
  EXPECT_TRUE(at == 0 || said[at - 1] == '\n') << said;
  const size_t end = said.find('\n', at);
  ASSERT_NE(end, std::string::npos) << said;
  EXPECT_GT(end, at + head.size()) << "no reason given: " << said;
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
  EXPECT_EQ(ReadAll(files / "Setup.ini"), kSetup);
  // Nothing was written but the log (and the empty lock file a run holds).
  std::vector<std::string> after = Listing(files);
  std::erase_if(after, [](const std::string& f) {
    return f.rfind("Debug.txt ", 0) == 0 || f == ".duskmoor2.lock 0";
  });
  EXPECT_EQ(after, before);
  const std::string log = ReadAll(files / "Debug.txt");
  EXPECT_NE(log.find("\tNo display could be opened.\r\n"), std::string::npos) << log;
  const std::string exit_group = "Closing Up\r\n\r\nBye!\r\n\r\nPlay again, soon!!\r\n";
  ASSERT_GE(log.size(), exit_group.size());
  EXPECT_EQ(log.substr(log.size() - exit_group.size()), exit_group);
  fs::remove_all(root);
}

class SignalRun : public GameRun {};

TEST_F(SignalRun, TerminationAtTheTitleSavesAndEndsWithoutTheThanksScreen) {
  const fs::path root = CopyGame(source, "sigterm");
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";
  WriteAll(files / "256" / "scores.dat", kScores);
  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_TRUE(Running(pid));
  kill(pid, SIGTERM);
  const int status = WaitForExit(pid);
  if (status < 0) kill(pid, SIGKILL);
  EXPECT_EQ(status, 0);
  const std::string setup = ReadAll(files / "Setup.ini");
  EXPECT_NE(setup.find("\r\nWidth=800\r\nHeight=600\r\n"), std::string::npos) << setup;
  // The history read at the start is written back as it was.
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
  const std::string text = ReadAll(log);
  const std::string exit_group = "Closing Up\r\n\r\nBye!\r\n\r\nPlay again, soon!!\r\n";
  ASSERT_GE(text.size(), exit_group.size());
  EXPECT_EQ(text.substr(text.size() - exit_group.size()), exit_group);
  fs::remove_all(root);
}

// How the display goes from under the game: the X server ends (a logout, a
// crash), the desktop's tools kill the window's client (its connection is
// closed by the server), or another client destroys the window.
enum class Loss { kServerEnds, kClientKilled, kWindowDestroyed };

struct LossCase {
  const char* name;
  Loss loss;
};

void PrintTo(const LossCase& c, std::ostream* os) { *os << c.name; }

class LostDisplay : public GameRun {
 protected:
  // The game of a fresh copy, its standard error into a file of the test's;
  // its environment less `unset` and with `added`.
  void Start(const std::string& tag, const std::vector<std::string>& unset = {},
             const std::vector<std::string>& added = {}) {
    root = CopyGame(source, tag);
    files = root / "Files";
    log = files / "Debug.txt";
    err = fs::temp_directory_path() / ("duskmoor_" + tag + "_err_" + std::to_string(getpid()));
    WriteAll(files / "256" / "scores.dat", kScores);
    pid = StartGame(root, unset, added, err);
    ASSERT_NE(pid, 0);
  }

  void TearDown() override {
    GameRun::TearDown();
    if (!err.empty()) fs::remove(err);
    if (!root.empty()) fs::remove_all(root);
  }

  bool TakeAway(Loss loss) {
    switch (loss) {
      case Loss::kServerEnds:
        input.Disconnect();
        server.End();
        return true;
      case Loss::kClientKilled:
        return input.KillGameClient();
      case Loss::kWindowDestroyed:
        return input.DestroyGameWindow();
    }
    return false;
  }

  // The run ended with the status the README names for a lost display, said
  // so in one line of its own on standard error, and its log ends with one
  // group of closing lines.
  void ExpectLeftAsTheReadmeSays(int status) {
    if (status < 0) kill(pid, SIGKILL);
    EXPECT_EQ(status, 1);
    const std::string said = ReadAll(err);
    const std::string head = "Duskmoor II lost its display: ";
    const size_t at = said.find(head);
    ASSERT_NE(at, std::string::npos) << said;
    EXPECT_TRUE(at == 0 || said[at - 1] == '\n') << said;
    const size_t end = said.find('\n', at);
    ASSERT_NE(end, std::string::npos) << said;
    EXPECT_GT(end, at + head.size()) << "no cause given: " << said;
    EXPECT_EQ(Count(said, head), 1u) << said;
    const std::string text = ReadAll(log);
    const std::string exit_group = "Closing Up\r\n\r\nBye!\r\n\r\nPlay again, soon!!\r\n";
    ASSERT_GE(text.size(), exit_group.size()) << text;
    EXPECT_EQ(text.substr(text.size() - exit_group.size()), exit_group) << text;
    EXPECT_EQ(Count(text, "Closing Up\r\n"), 1u) << text;
  }

  fs::path root, files, log, err;
  pid_t pid = 0;
};

class LostDisplayRun : public LostDisplay, public ::testing::WithParamInterface<LossCase> {};

TEST_P(LostDisplayRun, AtTheTitleTheSettingsAndScoresAreSavedAndTheRunSaysSo) {
  ASSERT_NO_FATAL_FAILURE(Start("lost_display"));
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_TRUE(Running(pid));
  ASSERT_TRUE(TakeAway(GetParam().loss));
  ExpectLeftAsTheReadmeSays(WaitForExit(pid));
  const std::string setup = ReadAll(files / "Setup.ini");
  EXPECT_NE(setup.find("\r\nWidth=800\r\nHeight=600\r\n"), std::string::npos) << setup;
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
  EXPECT_NE(ReadAll(log).find("Display Lost\r\n"), std::string::npos) << ReadAll(log);
}

TEST_P(LostDisplayRun, AtTheFarewellNothingIsSavedTwice) {
  ASSERT_NO_FATAL_FAILURE(Start("lost_farewell"));
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_TRUE(input.Tap(kEscape));
  ASSERT_TRUE(WaitForText(log, "Play again, soon!!\r\n")) << ReadAll(log);
  ASSERT_TRUE(input.FindWindow());
  ASSERT_TRUE(input.WaitFrames(kFramesPerAction)) << "the farewell screen did not wait for a key";
  const std::string setup = ReadAll(files / "Setup.ini");
  ASSERT_NE(setup.find("\r\nWidth=800\r\nHeight=600\r\n"), std::string::npos) << setup;
  ASSERT_TRUE(TakeAway(GetParam().loss));
  ExpectLeftAsTheReadmeSays(WaitForExit(pid));
  EXPECT_EQ(ReadAll(files / "Setup.ini"), setup);
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
}

// The server ends while OpenGL loads its driver, as the start-up opens its
// first window: a slow load on a busy machine makes that the likeliest
// moment of the start-up. The driver then reads replies it never got. The
// history was not read yet, so only the log is written.
TEST_F(LostDisplay, DuringTheStartUpTheLogIsClosedAndTheRunSaysSo) {
  const fs::path pause = fs::temp_directory_path() / ("duskmoor_driver_pause_" + std::to_string(getpid()));
  fs::remove(pause);
  ASSERT_EQ(mkfifo(pause.c_str(), 0600), 0);
  const char* asan = std::getenv("ASAN_OPTIONS");
  // The sanitizers' run-time would refuse a library loaded ahead of it.
  const std::string asan_options = std::string(asan ? asan : "") + ":verify_asan_link_order=0";
  ASSERT_NO_FATAL_FAILURE(Start("lost_startup", {"ASAN_OPTIONS", "LD_PRELOAD", "DUSKMOOR_PAUSE_AT_DRIVER"},
                                {"ASAN_OPTIONS=" + asan_options, std::string("LD_PRELOAD=") + DRIVER_PAUSE_LIB,
                                 "DUSKMOOR_PAUSE_AT_DRIVER=" + pause.string()}));
  // The pipe opens once the game holds at the driver's load.
  int held = -1;
  ASSERT_TRUE(WaitFor([&] {
    held = open(pause.c_str(), O_WRONLY | O_NONBLOCK);
    return held >= 0 || MainThreadSleeps(pid) < 0;
  }));
  ASSERT_GE(held, 0) << "the game ended before OpenGL loaded its driver: " << ReadAll(err);
  input.Disconnect();
  server.End();
  // A game that ended already must not end the test with it.
  struct sigaction ignore {}, saved {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &saved);
  EXPECT_EQ(write(held, "g", 1), 1);
  close(held);
  sigaction(SIGPIPE, &saved, nullptr);
  fs::remove(pause);
  ExpectLeftAsTheReadmeSays(WaitForExit(pid));
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
  EXPECT_FALSE(fs::exists(files / "Setup.ini"));
}

INSTANTIATE_TEST_SUITE_P(Ways, LostDisplayRun,
                         ::testing::Values(LossCase{"ServerEnds", Loss::kServerEnds},
                                           LossCase{"ClientKilled", Loss::kClientKilled},
                                           LossCase{"WindowDestroyed", Loss::kWindowDestroyed}),
                         [](const ::testing::TestParamInfo<LossCase>& info) { return std::string(info.param.name); });

}  // namespace
