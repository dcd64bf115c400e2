// The start-up run as a whole: its order, the data folder, the debug log and the
// run-once guard of the main routine.
#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <functional>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "startup_case.h"
#include "common/test_util.h"
#include "common/unread_pipe.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_input.h"
#include "settings/debug_log.h"
#include "settings/settings_file.h"
#include "startup/globals.h"
#include "startup/main_routine.h"
#include "startup/object_kinds.h"
#include "startup/startup.h"

namespace fs = std::filesystem;

// The test backend has no application shell; the main routine asks it for the
// executable's folder only on its first entry.
__attribute__((weak)) std::string AppDir() { return fs::temp_directory_path().string() + "/"; }

namespace {

using StartupOrder = StartupCase;
using StartupRun = StartupCase;
using DebugLog = StartupCase;
using MainRoutine = StartupCase;

using testutil::ReadBytes;

// A fresh folder standing in for the one that holds the executable.
fs::path MakeRoot(bool with_files) {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  fs::path root = fs::temp_directory_path() /
                  ("dm_startup_" + std::string(info->name()) + "_" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  if (with_files) fs::create_directories(root / "Files" / "256");
  return root;
}

TEST_F(StartupOrder, StepsRunInTheGameOrder) {
  std::vector<std::string> names;
  for (const auto& step : StartupSteps()) names.push_back(step.name);
  const std::vector<std::string> expected = {
      "game name",
      "background tables",
      "credits",
      "probe table",
      "object kinds",
      "music tables",
      "frame clock and draw budgets",
      "settings tables",
      "joystick tables",
      "joystick scan",
      "score containers",
      "reclaim on request",
      "message containers",
      "default controls and settings",
      "sound tables",
      "data folder and debug log",
  };
  EXPECT_EQ(names, expected);
}

TEST_F(StartupRun, BuildsEveryTableAndOpensTheLogInTheDataFolder) {
  testbackend::Reset();
  testbackend::SetClock(5000);
  testbackend::AddJoystick("Pad", 0x7, true);
  const fs::path root = MakeRoot(true);
  // A log left by an earlier run is emptied.
  std::ofstream(root / "Files" / "Debug.txt") << "old run\r\n";

  RunStartup(root.string());

  EXPECT_EQ(Paths.data, root.string() + "/Files/");
  EXPECT_TRUE(fs::equivalent(fs::current_path(), root / "Files"));
  ASSERT_NE(DebugFile, 0);
  EXPECT_EQ(ReadBytes(root / "Files" / "Debug.txt"), "");
  EXPECT_FALSE(fs::exists(root / "Debug.txt"));

  // Identity, credits, kinds, clock, joysticks, defaults.
  EXPECT_EQ(GameName, "#256 : Duskmoor II");
  EXPECT_EQ(credits, 20);
  EXPECT_FALSE(OBJN[42].empty());
  EXPECT_EQ(testbackend::MouseHidden(), 1);
  EXPECT_EQ(LastFrame, 5000);
  EXPECT_EQ(StickCount, 1);
  EXPECT_EQ(Stick[1], "Pad");
  EXPECT_EQ(GCMode, 0);
  EXPECT_EQ(KeyV[0], 38);
  EXPECT_EQ(KeyV[13], 86);
  EXPECT_EQ(Options[5], 800);
  EXPECT_EQ(Options[6], 600);
  EXPECT_EQ(Options[1], 0);
  EXPECT_EQ(Options[11], 50);
  EXPECT_EQ(Options[12], 50);
  EXPECT_EQ(Options[13], 50);
  EXPECT_EQ(DrawMax[1], 50000);

  Debug("Quoradin's Tamblewick Engine");
  EXPECT_EQ(ReadBytes(root / "Files" / "Debug.txt"), "Quoradin's Tamblewick Engine\r\n");
  fs::remove_all(root);
}

TEST_F(StartupRun, WithoutSetupIniTheDefaultsStand) {
  testbackend::Reset();
  const fs::path root = MakeRoot(true);
  RunStartup(root.string());
  ReadSettings();
  // Player 1 on the arrow keys and Z, X, C, V; players 2 to 4 unbound.
  const std::vector<std::pair<int, int32_t>> bound = {
      {0, 38}, {3, 37}, {5, 39}, {8, 40}, {10, 90}, {11, 88}, {12, 67}, {13, 86}};
  std::array<int32_t, 101> want{};
  for (const auto& [slot, code] : bound) want[slot] = code;
  EXPECT_EQ(KeyV, want);
  // An 800x600 window, every frame shown, every volume at 50.
  const std::vector<std::pair<int, int32_t>> settings = {
      {1, 0}, {5, 800}, {6, 600}, {7, 0}, {11, 50}, {12, 50}, {13, 50}};
  for (const auto& [index, value] : settings) EXPECT_EQ(Options[index], value) << index;
  // The log holds no trace of a settings file.
  EXPECT_EQ(ReadBytes(root / "Files" / "Debug.txt").find("Reading Setup File"), std::string::npos);
  fs::remove_all(root);
}

TEST_F(StartupRun, WithoutADataFolderTheLogGoesBesideTheExecutable) {
  testbackend::Reset();
  const fs::path root = MakeRoot(false);
  // The application shell has made the executable's folder current.
  fs::current_path(root);
  RunStartup(root.string());
  EXPECT_TRUE(fs::exists(root / "Debug.txt"));
  EXPECT_TRUE(fs::equivalent(fs::current_path(), root));
  EXPECT_NE(DebugFile, 0);
  fs::remove_all(root);
}

TEST_F(DebugLog, EachLineReachesTheDiskAtOnceWithCrLf) {
  const fs::path root = MakeRoot(false);
  const fs::path log = root / "Debug.txt";
  OpenDebugLog(log.string());
  ASSERT_EQ(DebugFile, 1);
  const std::vector<std::pair<std::string, std::string>> lines = {
      {"Loading", "Loading\r\n"},
      {"", "\r\n"},
      {"\tSetup Loaded", "\tSetup Loaded\r\n"},
      {std::string("caf\xE9"), std::string("caf\xE9\r\n")},
  };
  std::string expected;
  for (const auto& [text, bytes] : lines) {
    EXPECT_EQ(Debug(text), 0);
    expected += bytes;
    // Read while the log is still open: nothing waits in a buffer.
    EXPECT_EQ(ReadBytes(log), expected) << text;
  }
  CloseDebugLog();
  Debug("after close");
  EXPECT_EQ(ReadBytes(log), expected);
  fs::remove_all(root);
}

TEST_F(DebugLog, ALogThatCannotBeCreatedIsHarmless) {
  const fs::path root = MakeRoot(false);
  const std::string path = (root / "missing" / "Debug.txt").string();
  ::testing::internal::CaptureStderr();
  OpenDebugLog(path);
  EXPECT_EQ(::testing::internal::GetCapturedStderr(), "No log in this run: " + path + " (No such file or directory)\n");
  EXPECT_EQ(DebugFile, 0);
  EXPECT_EQ(Debug("nowhere"), 0);
  CloseDebugLog();
  EXPECT_FALSE(fs::exists(root / "missing"));
  fs::remove_all(root);
}

TEST_F(DebugLog, OnlyARegularFileIsEmptiedAndAnythingElseIsSaidOnceAndLeftAlone) {
  const fs::path root = MakeRoot(false);
  const fs::path log = root / "Debug.txt";
  testutil::WriteBytes((root / "victim").string(), "keep");
  struct Case {
    std::string what;
    std::function<void()> make;  // puts it at the log's name
    std::string reason;          // "" when it is a log
  };
  const Case cases[] = {
      {"a regular file", [&] { testutil::WriteBytes(log.string(), "an earlier run's lines\r\n"); }, ""},
      {"nothing", [] {}, ""},
      {"a link to another file", [&] { fs::create_symlink(root / "victim", log); }, "a symbolic link"},
      {"a dangling link", [&] { fs::create_symlink(root / "gone", log); }, "a symbolic link"},
      {"another name of another file", [&] { fs::create_hard_link(root / "victim", log); }, "a hard link"},
      {"a folder", [&] { fs::create_directory(log); }, "a folder"},
      {"a socket",
       [&] {
         const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
         sockaddr_un addr{};
         addr.sun_family = AF_UNIX;
         std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", log.c_str());
         EXPECT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
         ::close(sock);
       },
       "a socket"},
  };
  auto check = [&](const std::string& reason, const std::function<void()>& open) {
    ::testing::internal::CaptureStderr();
    open();
    const std::string said = ::testing::internal::GetCapturedStderr();
    Debug("a line");
    CloseDebugLog();
    if (reason.empty()) {
      EXPECT_EQ(said, "");
      EXPECT_EQ(ReadBytes(log.string()), "a line\r\n");
    } else {
      EXPECT_EQ(DebugFile, 0);
      // One line, naming the file and what it is.
      EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
      EXPECT_EQ(said.back(), '\n');
      EXPECT_NE(said.find(log.string()), std::string::npos) << said;
      EXPECT_NE(said.find(reason), std::string::npos) << said;
    }
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DebugFile = 0;
    c.make();
    check(c.reason, [&] { OpenDebugLog(log.string()); });
    fs::remove(log);
  }
  {
    SCOPED_TRACE("a pipe");
    // Nobody reads it: opening it for writing would wait for good.
    testutil::UnreadPipe pipe(log.string());
    ASSERT_TRUE(pipe.Made());
    check("a named pipe", [&] { EXPECT_TRUE(pipe.Returns([&] { OpenDebugLog(log.string()); })) << "waited"; });
    struct stat st{};
    EXPECT_TRUE(::lstat(log.c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
  }
  EXPECT_EQ(ReadBytes((root / "victim").string()), "keep");
  EXPECT_FALSE(fs::exists(fs::symlink_status(root / "gone")));
  fs::remove_all(root);
}

TEST_F(MainRoutine, ASecondEntryReturnsAtOnceTouchingNothing) {
  testbackend::Reset();
  const fs::path before = fs::current_path();
  MainRoutineOnce = 1;
  ::MainRoutine();
  EXPECT_EQ(GameName, "");
  EXPECT_EQ(credits, 1);
  EXPECT_EQ(DebugFile, 0);
  EXPECT_EQ(Options[5], 0);
  EXPECT_EQ(KeyV[0], 0);
  EXPECT_EQ(testbackend::MouseHidden(), 0);
  EXPECT_EQ(fs::current_path(), before);
}

}  // namespace
