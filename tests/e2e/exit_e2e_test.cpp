// The real game's ways out that the player does not choose: no display at
// all, and a termination signal from the system.
#include <gtest/gtest.h>

#include <signal.h>
#include <spawn.h>

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
// variables; 0 when it could not be started.
pid_t StartGameWithout(const fs::path& root, const std::vector<std::string>& unset) {
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
  pid_t pid = 0;
  if (posix_spawn(&pid, binary.c_str(), nullptr, nullptr, argv, env.data()) != 0) return 0;
  return pid;
}

TEST(ExitEndToEnd, WithoutAnyDisplayTheRunEndsAndLeavesThePlayersFilesAsTheyWere) {
  const char* game_env = std::getenv("DUSKMOOR_GAME_DIR");
  ASSERT_NE(game_env, nullptr);
  const fs::path root = CopyGame(game_env, "nodisplay");
  const fs::path files = root / "Files";
  WriteAll(files / "256" / "scores.dat", kScores);
  WriteAll(files / "Setup.ini", kSetup);
  const pid_t pid = StartGameWithout(root, {"DISPLAY", "WAYLAND_DISPLAY", "SDL_VIDEODRIVER"});
  ASSERT_NE(pid, 0);
  const int status = WaitForExit(pid);
  if (status < 0) kill(pid, SIGKILL);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
  EXPECT_EQ(ReadAll(files / "Setup.ini"), kSetup);
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
