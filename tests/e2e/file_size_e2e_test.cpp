// The real game under a file-size limit (ulimit -f): a write past it fails
// as on a full disk, and the game goes on. Nothing may be left written
// part-way, what fits is written, and the run ends as usual.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "e2e_util.h"

namespace {

using namespace e2e;


// The last bytes of every whole PNG: its end chunk.
const std::string kPngEnd = std::string("IEND\xAE\x42\x60\x82", 8);

class FileSizeLimitEndToEnd : public GameRun {
 protected:
  // A fresh copy of the game.
  void Copy(const std::string& tag) {
    root_ = CopyGame(source, tag);
    files_ = root_ / "Files";
    log_ = files_ / "Debug.txt";
  }
  // Starts the copy under a file-size limit of `bytes`, set in the game's
  // own process before its program starts.
  void Start(rlim_t bytes) {
    const std::string binary = (root_ / "duskmoor2").string();
    char* argv[] = {const_cast<char*>(binary.c_str()), nullptr};
    struct rlimit lim{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &lim), 0);
    lim.rlim_cur = bytes;
    pid_ = fork();
    ASSERT_GE(pid_, 0);
    if (pid_ == 0) {
      if (setrlimit(RLIMIT_FSIZE, &lim) == 0) execve(argv[0], argv, environ);
      _exit(127);
    }
    StartedGames().push_back(pid_);
  }

  // The system asks the game to end: it goes through its saving steps, and
  // the run ends with status 0 as any other.
  void Terminate() {
    ASSERT_TRUE(Running(pid_)) << "the game ended before it was asked to";
    kill(pid_, SIGTERM);
    // The guard only turns a hang into a failure.
    const int status = WaitForExit(pid_);
    if (status < 0) kill(pid_, SIGKILL);
    EXPECT_EQ(status, 0) << (status == 128 + SIGXFSZ ? "ended by the file-size limit" : "");
  }

  // Every file the run made is whole or absent: no picture cut short, no
  // temporary file of a save that failed.
  void NothingWrittenPartWay() {
    for (const auto& e : fs::recursive_directory_iterator(files_)) {
      const std::string name = e.path().filename().string();
      EXPECT_FALSE(name.ends_with(".tmp")) << e.path();
      if (e.path().extension() != ".png" || e.path().parent_path() != files_) continue;
      const std::string png = ReadAll(e.path());
      EXPECT_TRUE(png.ends_with(kPngEnd)) << e.path() << " is cut short at " << png.size() << " bytes";
    }
  }

  fs::path root_, files_, log_;
  pid_t pid_ = 0;
};

// Not one byte may be written: not even the log. The game opens its window
// and runs, and ends as usual, with everything it had left as it was.
TEST_F(FileSizeLimitEndToEnd, WithNoRoomForAByteTheGameRunsAndEnds) {
  Copy("fsize_none");
  WriteAll(files_ / "256" / "scores.dat", kScores);
  ASSERT_NO_FATAL_FAILURE(Start(0));
  ASSERT_TRUE(input.FindWindow("Duskmoor", pid_)) << "the game ended at its start";
  ASSERT_TRUE(input.WaitFrames(kTitleFrames));
  ASSERT_NO_FATAL_FAILURE(Terminate());
  EXPECT_EQ(fs::file_size(log_), 0u);
  EXPECT_FALSE(fs::exists(files_ / "Setup.ini"));
  EXPECT_EQ(ReadAll(files_ / "256" / "scores.dat"), kScores);
  NothingWrittenPartWay();
  fs::remove_all(root_);
}

// 8 KB: the log and the settings fit, a screenshot does not. A screenshot at
// the title and another while the name of a finished game is typed are not
// saved, and leave nothing; the game goes on, keeps the finished game and
// writes its settings at the end.
TEST_F(FileSizeLimitEndToEnd, WithRoomForAFewKilobytesScreenshotsFailAndTheRestIsSaved) {
  Copy("fsize_8k");
  fs::remove(files_ / "256" / "scores.dat");
  ASSERT_NO_FATAL_FAILURE(Start(8192));
  ASSERT_TRUE(WaitForTitle(input, log_)) << ReadAll(log_);
  ASSERT_TRUE(input.Tap(kF11));
  ASSERT_TRUE(WaitForText(log_, "\tSaving Screenshot : ")) << ReadAll(log_);
  ASSERT_TRUE(input.WaitFrames(kFramesPerAction)) << "the game ended at the screenshot";
  // The game goes on: into play, then Quit from the pause menu ends the game
  // at the name entry.
  ASSERT_TRUE(input.Tap(kLetterZ));
  ASSERT_TRUE(input.WaitFrames(kMapFadeFrames));
  ASSERT_TRUE(input.Tap(kLetterZ));
  ASSERT_TRUE(input.WaitFrames(kMapFadeFrames + kFramesPerAction));
  ASSERT_TRUE(input.Tap(kEscape));
  ASSERT_TRUE(input.Tap(kDown));
  ASSERT_TRUE(input.Tap(kSpace));
  ASSERT_TRUE(WaitForNameEntry(input));
  ASSERT_TRUE(input.Tap(kF11));
  ASSERT_TRUE(input.WaitFrames(kFramesPerAction)) << "the game ended at the screenshot";
  ASSERT_NO_FATAL_FAILURE(Terminate());
  const std::string setup = ReadAll(files_ / "Setup.ini");
  EXPECT_NE(setup.find("\r\nWidth="), std::string::npos) << setup;
  // One game, with Quit in its record; then its best times.
  const std::string scores = ReadAll(files_ / "256" / "scores.dat");
  EXPECT_EQ(static_cast<size_t>(std::count(scores.begin(), scores.end(), '\n')), 2u) << scores;
  const std::string record = scores.substr(0, scores.find("\r\n"));
  EXPECT_TRUE(record.ends_with("|1")) << scores;
  EXPECT_LE(fs::file_size(log_), 8192u);
  NothingWrittenPartWay();
  fs::remove_all(root_);
}

}  // namespace
