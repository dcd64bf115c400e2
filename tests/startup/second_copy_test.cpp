// One copy of the game per game folder: a second copy started on the folder
// of a running one leaves at once, saying why, and writes nothing.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "common/waiting_child.h"
#include "platform/test/test_backend.h"
#include "settings/debug_log.h"
#include "startup/globals.h"
#include "startup/startup.h"

namespace {

namespace fs = std::filesystem;
using testutil::ReadBytes;
using testutil::WriteBytes;

// A copy of the game running in another process: it starts up on `root`,
// logs a line, and keeps running until it is told to end.
class OtherCopy {
 public:
  explicit OtherCopy(const fs::path& root)
      : child_([root] {
          testbackend::Reset();
          RunStartup(root.string());
          Debug("the first copy");
          return 'r';
        }) {}

  bool Started() { return child_.Answer() == 'r'; }
  void End() { child_.End(); }

 private:
  testutil::WaitingChild child_;
};

std::vector<std::string> Everything(const fs::path& root) {
  std::vector<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(root)) names.push_back(e.path().string());
  std::sort(names.begin(), names.end());
  return names;
}

fs::path MakeRoot(bool with_files) {
  const fs::path root = fs::temp_directory_path() /
                        ("dm_second_" + std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) +
                         "_" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  if (with_files) fs::create_directories(root / "Files" / "256");
  return root;
}

// The exit status the start-up ended with, -1 when it went on.
int StartupExit(const fs::path& root) {
  try {
    RunStartup(root.string());
  } catch (const testbackend::AppExited& e) {
    return e.status;
  }
  return -1;
}

TEST(SecondCopy, LeavesWithOneLineWritingNothingAndStartsOnceTheFirstHasEnded) {
  struct Case {
    bool with_files;  // without Files/ the log goes beside the executable
    std::string log;
  };
  for (const Case& c : {Case{true, "Files/Debug.txt"}, Case{false, "Debug.txt"}}) {
    SCOPED_TRACE(c.log);
    testbackend::Reset();
    CloseDebugLog();
    DebugFile = 0;
    const fs::path root = MakeRoot(c.with_files);
    if (c.with_files) {
      WriteBytes((root / "Files" / "Setup.ini").string(), "Width=1600\r\nHeight=900\r\n");
      WriteBytes((root / "Files" / "256" / "scores.dat").string(), "120|Ann|0|65150126130|0|2|0|1\r\n");
    }
    {
      OtherCopy first(root);
      ASSERT_TRUE(first.Started());
      const std::string log = ReadBytes((root / c.log).string());
      EXPECT_EQ(log, "the first copy\r\n");
      // The lock needs no file of its own.
      const fs::path folder_path = c.with_files ? root / "Files" : root;
      EXPECT_FALSE(fs::exists(fs::symlink_status(folder_path / ".duskmoor2.lock")));
      const std::vector<std::string> listed = Everything(root);

      ::testing::internal::CaptureStderr();
      const int status = StartupExit(root);
      const std::string said = ::testing::internal::GetCapturedStderr();
      EXPECT_EQ(status, 0);
      const std::string folder = c.with_files ? root.string() + "/Files/" : root.string() + "/";
      EXPECT_EQ(said, "Duskmoor II is already running from " + folder + "\n");
      EXPECT_EQ(DebugFile, 0);
      // Nothing written, nothing made.
      EXPECT_EQ(ReadBytes((root / c.log).string()), log);
      EXPECT_EQ(Everything(root), listed);
      if (c.with_files) {
        EXPECT_EQ(ReadBytes((root / "Files" / "Setup.ini").string()), "Width=1600\r\nHeight=900\r\n");
        EXPECT_EQ(ReadBytes((root / "Files" / "256" / "scores.dat").string()), "120|Ann|0|65150126130|0|2|0|1\r\n");
      }
      first.End();
    }
    // The first copy has ended: a new one starts as usual.
    EXPECT_EQ(StartupExit(root), -1);
    EXPECT_NE(DebugFile, 0);
    EXPECT_EQ(ReadBytes((root / c.log).string()), "");
    CloseDebugLog();
    // The start-up made the data folder current.
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(root);
  }
}

TEST(SecondCopy, StartingAgainInTheSameProcessIsNoSecondCopy) {
  testbackend::Reset();
  CloseDebugLog();
  DebugFile = 0;
  const fs::path root = MakeRoot(true);
  EXPECT_EQ(StartupExit(root), -1);
  Debug("first start");
  EXPECT_EQ(StartupExit(root), -1);
  EXPECT_NE(DebugFile, 0);
  CloseDebugLog();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(root);
}

}  // namespace
