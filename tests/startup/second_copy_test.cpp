// One copy of the game per game folder: a second copy started on the folder
// of a running one leaves at once, saying why, and writes nothing.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "common/waiting_child.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "level/records.h"
#include "platform/files.h"
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

// Runs the start-up on `root` as a second copy: it says in one line that
// `folder` is held and leaves with status 0, without a log and without a
// change under `watched`.
void ExpectLeavesAsASecondCopy(const fs::path& root, const std::string& folder, const fs::path& watched) {
  const std::vector<std::string> listed = Everything(watched);
  ::testing::internal::CaptureStderr();
  const int status = StartupExit(root);
  const std::string said = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(status, 0);
  EXPECT_EQ(said, "Duskmoor II is already running from " + folder + "\n");
  EXPECT_EQ(DebugFile, 0);
  EXPECT_EQ(Everything(watched), listed);
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

      // Nothing written, nothing made.
      ExpectLeavesAsASecondCopy(root, c.with_files ? root.string() + "/Files/" : root.string() + "/", root);
      EXPECT_EQ(ReadBytes((root / c.log).string()), log);
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

// Two game folders can share the folder of the scores or the levels through
// a link: a copy on either is the second copy of the other.
TEST(SecondCopy, AFolderSharedThroughALinkIsOneFolder) {
  struct Case {
    std::string what;
    fs::path shared;  // relative to a game folder
  };
  const Case cases[] = {
      {"the scores' folder", fs::path("Files") / "256"},
      {"the level folder", fs::path("DuskmoorII_Levels")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testbackend::Reset();
    CloseDebugLog();
    DebugFile = 0;
    const fs::path first_root = MakeRoot(false) / "first";
    const fs::path second_root = first_root.parent_path() / "second";
    for (const fs::path& root : {first_root, second_root}) {
      fs::create_directories(root / "Files" / "256");
      fs::create_directories(root / "DuskmoorII_Levels");
    }
    fs::remove(second_root / c.shared);
    fs::create_directory_symlink(first_root / c.shared, second_root / c.shared);
    WriteBytes((first_root / "Files" / "256" / "scores.dat").string(), "120|Ann|0|65150126130|0|2|0|1\r\n");
    {
      OtherCopy first(first_root);
      ASSERT_TRUE(first.Started());
      ExpectLeavesAsASecondCopy(second_root, (second_root / c.shared).string() + "/", first_root.parent_path());
      first.End();
    }
    EXPECT_EQ(StartupExit(second_root), -1);
    CloseDebugLog();
    LetGoOfFolderLocks();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(first_root.parent_path());
  }
}

// The level folder may be missing at the start: the game makes it, or
// another copy does at the end of a link that led nowhere. Either way it is
// locked before anything is written in it, and by one copy only.
TEST(SecondCopy, ALevelFolderThatComesAfterTheStartIsLockedBeforeAnythingIsWrittenInIt) {
  const fs::path levels = "DuskmoorII_Levels";
  struct Case {
    std::string what;
    bool first_links;  // the first copy's level folder leads to the second's, not the other way round
  };
  const Case cases[] = {
      {"made by the first copy, the second's a link to it", false},
      {"the first copy's a link to the second's, which the second makes", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testbackend::Reset();
    CloseDebugLog();
    DebugFile = 0;
    const fs::path first_root = MakeRoot(false) / "first";
    const fs::path second_root = first_root.parent_path() / "second";
    for (const fs::path& root : {first_root, second_root}) fs::create_directories(root / "Files" / "256");
    // A link that leads nowhere yet.
    if (c.first_links) fs::create_directory_symlink(second_root / levels, first_root / levels);
    else fs::create_directory_symlink(first_root / levels, second_root / levels);
    if (!c.first_links) {
      // The first copy makes its level folder and holds it from the start.
      OtherCopy first(first_root);
      ASSERT_TRUE(first.Started());
      EXPECT_TRUE(fs::is_directory(fs::symlink_status(first_root / levels)));
      ExpectLeavesAsASecondCopy(second_root, (second_root / levels).string() + "/", first_root.parent_path());
      first.End();
    } else {
      // This process is the first copy: its level folder leads nowhere.
      EXPECT_EQ(StartupExit(first_root), -1);
      EXPECT_FALSE(fs::exists(first_root / levels));
      {
        // The second copy makes the folder and holds it.
        OtherCopy second(second_root);
        ASSERT_TRUE(second.Started());
        ASSERT_TRUE(fs::is_directory(fs::symlink_status(second_root / levels)));
        // The first copy's level list, and then its editor, would write the
        // player's level there: nothing is written.
        Hunt4Levels();
        EXPECT_TRUE(fs::is_empty(second_root / levels));
        Uselevel = std::make_shared<game>();
        Uselevel->name = "My Level.xml";
        EXPECT_FALSE(SaveLevel());
        EXPECT_EQ(LastFileError(), "its folder is held by another copy");
        EXPECT_TRUE(fs::is_empty(second_root / levels));
        Uselevel.reset();
        second.End();
      }
      // Once the second copy has ended, the folder is the first's to write,
      // and the first holds it from its first write on.
      Hunt4Levels();
      EXPECT_TRUE(fs::is_regular_file(second_root / levels / "My Level.xml"));
      testutil::WaitingChild another([&] {
        const int fd = ::open((second_root / levels).c_str(), O_RDONLY | O_DIRECTORY);
        return fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
      });
      EXPECT_EQ(another.Answer(), 'n');
      another.End();
      CloseDebugLog();
    }
    LetGoOfFolderLocks();
    fs::current_path(fs::temp_directory_path());
    fs::remove_all(first_root.parent_path());
  }
}

// A data folder the player can write in but not read cannot be locked: the
// game does not run there unlocked, where a second copy could lose the
// player's files, and leaves as a second copy does.
TEST(SecondCopy, ADataFolderThatCannotBeLockedIsNotPlayedIn) {
  constexpr uid_t kPlayer = 65534;
  const bool superuser = ::geteuid() == 0;
  for (const mode_t mode : {mode_t{0333}, mode_t{0111}}) {
    SCOPED_TRACE(mode);
    testbackend::Reset();
    CloseDebugLog();
    DebugFile = 0;
    const fs::path root = MakeRoot(true);
    const fs::path said = root.string() + ".said";
    if (superuser) {
      for (const fs::path& p : {root, root / "Files", root / "Files" / "256"}) {
        ASSERT_EQ(::chown(p.c_str(), kPlayer, kPlayer), 0);
      }
    }
    ASSERT_EQ(::chmod((root / "Files").c_str(), mode), 0);
    testutil::WaitingChild player([&] {
      if (superuser && (::setgroups(0, nullptr) != 0 || ::setgid(kPlayer) != 0 || ::setuid(kPlayer) != 0)) return '?';
      if (!std::freopen(said.c_str(), "w", stderr)) return '?';
      const int status = StartupExit(root);
      std::fflush(stderr);
      return status == 0 ? 'l' : status == -1 ? 'r' : 's';
    });
    EXPECT_EQ(player.Answer(), 'l');
    player.End();
    ::chmod((root / "Files").c_str(), 0755);
    EXPECT_EQ(ReadBytes(said.string()), "Duskmoor II cannot lock " + root.string() +
                                            "/Files/ against a second copy (Permission denied), so it does not "
                                            "start there\n");
    // Nothing written.
    EXPECT_EQ(Everything(root), (std::vector<std::string>{(root / "Files").string(), (root / "Files" / "256").string()}));
    fs::remove(said);
    fs::remove_all(root);
  }
}

// Where no file system lock exists at all, nothing could stop a second copy
// anyway: the game runs and says so in its log.
TEST(SecondCopy, WithoutLocksOnTheFileSystemTheGameRunsAndSaysSo) {
  testbackend::Reset();
  CloseDebugLog();
  DebugFile = 0;
  const fs::path root = MakeRoot(true);
  SetFolderLocksFail(ENOLCK);
  EXPECT_EQ(StartupExit(root), -1);
  SetFolderLocksFail(0);
  EXPECT_NE(DebugFile, 0);
  CloseDebugLog();
  EXPECT_EQ(ReadBytes((root / "Files" / "Debug.txt").string()),
            "\t" + root.string() + "/Files/ cannot be locked on its file system (" + std::strerror(ENOLCK) +
                "): a second copy started on it would not be stopped\r\n");
  LetGoOfFolderLocks();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(root);
}

}  // namespace
