// The real game's start-up against what it cannot control: entries of the
// levels folder that are no files.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "e2e_util.h"

namespace {

using namespace e2e;

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

}  // namespace
