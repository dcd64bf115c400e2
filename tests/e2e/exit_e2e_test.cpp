// The real game's ways out that the player does not choose: no display at
// all, and a termination signal from the system.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "e2e_util.h"

namespace {

using namespace e2e;

const std::string kScores =
    "120|Ann|0|65150126130|0|2|0|1\r\n0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n";
const std::string kSetup =
    "[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\nWidth=1600\r\nHeight=900\r\n\r\n[Audio]\r\n"
    "Master = 50\r\nSound = 50\r\nMusic = 0\r\n";

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// Starts the game binary of `root` with the environment less the named
// variables, its standard error into the file `err`; 0 when it could not be
// started.
pid_t StartGameWithout(const fs::path& root, const std::vector<std::string>& unset, const fs::path& err) {
  std::vector<std::string> kept;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool drop = false;
    for (const std::string& name : unset) drop = drop || entry.rfind(name + "=", 0) == 0;
    if (!drop) kept.push_back(entry);
  }
  std::vector<char*> env;
  for (std::string& entry : kept) env.push_back(entry.data());
  env.push_back(nullptr);
  const std::string binary = (root / "duskmoor2").string();
  char* argv[] = {const_cast<char*>(binary.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, env.data());
  posix_spawn_file_actions_destroy(&actions);
  return failed != 0 ? 0 : pid;
}

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
  const pid_t pid = StartGameWithout(root, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"}, err);
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

}  // namespace
