// The real game's start-up against what it cannot control: entries of the
// levels folder that are no files, a signal while a step waits for good, and
// a second copy started on the folder of a running one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <string>

#include "e2e_util.h"

namespace {

using namespace e2e;

const std::string kScores =
    "120|Ann|0|65150126130|0|2|0|1\r\n0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n";
const std::string kSetup =
    "[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\nWidth=800\r\nHeight=600\r\n\r\n[Audio]\r\n"
    "Master = 50\r\nSound = 50\r\nMusic = 0\r\n";

void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
}

// Starts the game binary of `root` with its standard output and error going
// to `said`; 0 when it could not be started.
pid_t StartGameSaying(const fs::path& root, const fs::path& said) {
  const std::string binary = (root / "duskmoor2").string();
  char* argv[] = {const_cast<char*>(binary.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return 0;
  StartedGames().push_back(pid);
  return pid;
}

// SIGTERM, and the exit status the game ends with (-1 when it does not end).
int Terminate(pid_t pid) {
  kill(pid, SIGTERM);
  const int status = WaitForExit(pid, 60);
  if (status < 0) kill(pid, SIGKILL);
  return status;
}

class StartupEndToEnd : public GameRun {};

TEST_F(StartupEndToEnd, APipeAndAFolderNamedLikeLevelsDoNotHoldTheStartUp) {
  const fs::path root = CopyGame(source, "levelpipe");
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";
  const fs::path levels = root / "DuskmoorII_Levels";
  // Nobody ever writes to the pipe: a reader opening it would wait for good.
  ASSERT_EQ(mkfifo((levels / "Pipe.xml").c_str(), 0666), 0);
  fs::create_directory(levels / "Folder.xml");
  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForText(log, "Finished Loading\r\n", 120)) << ReadAll(log);
  // A screenshot is taken only by the frames of the title screen, which
  // come after the level scan.
  const fs::path shot = Screenshot(input, log, files);
  ASSERT_FALSE(shot.empty()) << "the title screen never showed";
  EXPECT_EQ(Terminate(pid), 0);
  // The signal ended the run through the saving steps.
  EXPECT_TRUE(fs::exists(files / "Setup.ini"));
  EXPECT_NE(ReadAll(log).find("Play again, soon!!\r\n"), std::string::npos);
  fs::remove_all(root);
}

TEST_F(StartupEndToEnd, ASignalEndsTheStartUpWhileAStepWaitsForGood) {
  struct Case {
    std::string file;  // made a pipe that the start-up opens and reads
    int signal;
  };
  // One among the common assets, read before the score history, and one
  // among the game's own, read after it and after the speed test's frames.
  const Case cases[] = {{"Common/icons.png", SIGTERM}, {"256/gfx.png", SIGINT}, {"256/map.png", SIGHUP}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path root = CopyGame(source, "startsignal");
    const fs::path files = root / "Files";
    WriteAll(files / "Setup.ini", kSetup);
    WriteAll(files / "256" / "scores.dat", kScores);
    const fs::path pipe = files / c.file;
    fs::remove(pipe);
    ASSERT_EQ(mkfifo(pipe.c_str(), 0666), 0);
    const pid_t pid = StartGame(root);
    ASSERT_NE(pid, 0);
    // The writing end opens only once the game has opened the reading end;
    // holding it open without writing keeps the game waiting in its read.
    int writer = -1;
    ASSERT_TRUE(WaitFor([&] {
      writer = open(pipe.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
      return writer >= 0;
    })) << "the game never opened " << c.file;
    kill(pid, c.signal);
    const int status = WaitForExit(pid, 60);
    if (status < 0) kill(pid, SIGKILL);
    close(writer);
    EXPECT_EQ(status, 0);
    // Nothing had been played: the player's files are as they were.
    EXPECT_EQ(ReadAll(files / "Setup.ini"), kSetup);
    EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
    EndLeftoverGames();
    fs::remove_all(root);
  }
}

TEST_F(StartupEndToEnd, ASecondCopyOnTheSameFolderLeavesAtOnceAndWritesNothing) {
  const fs::path root = CopyGame(source, "secondcopy");
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";
  WriteAll(files / "Setup.ini", kSetup);
  WriteAll(files / "256" / "scores.dat", kScores);
  const pid_t first = StartGame(root);
  ASSERT_NE(first, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << "the title screen never showed\n" << ReadAll(log);
  ASSERT_FALSE(Screenshot(input, log, files).empty()) << ReadAll(log);
  // The screenshot's log lines end with an empty one; the title writes
  // nothing more.
  ASSERT_TRUE(WaitForText(log, "\tSaved Screenshot 1\r\n\r\n", 30)) << ReadAll(log);
  const std::string first_log = ReadAll(log);

  const fs::path said = fs::temp_directory_path() / ("duskmoor_secondcopy_said_" + std::to_string(getpid()));
  const pid_t second = StartGameSaying(root, said);
  ASSERT_NE(second, 0);
  const int status = WaitForExit(second, 60);
  if (status < 0) kill(second, SIGKILL);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadAll(said), "Duskmoor II is already running from " + files.string() + "/\n");
  EXPECT_EQ(ReadAll(files / "Setup.ini"), kSetup);
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
  EXPECT_EQ(ReadAll(log), first_log);
  EXPECT_TRUE(Running(first));

  EXPECT_EQ(Terminate(first), 0);
  // With the first copy gone, a new one starts as usual.
  fs::remove(log);
  const pid_t third = StartGame(root);
  ASSERT_NE(third, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << "the title screen never showed\n" << ReadAll(log);
  ASSERT_FALSE(Screenshot(input, log, files).empty()) << ReadAll(log);
  EXPECT_EQ(Terminate(third), 0);
  fs::remove(said);
  fs::remove_all(root);
}

}  // namespace
