// Where the start-up ends: until then a signal from the system ends the
// process at once; from the title screen on the frames answer it.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "framework/pump.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "settings/debug_log.h"
#include "settings/startup_sequence.h"
#include "startup/object_kinds.h"
#include "startup/startup.h"

namespace {

namespace fs = std::filesystem;

struct Stop {};

TEST(StartUpEnd, LastsThroughTheSpeedTestAndTheLevelScanAndEndsBeforeTheTitleScreen) {
  testbackend::Reset();
  SetStartingUp(true);
  const fs::path root = fs::temp_directory_path() / ("dm_startup_end_" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root / "Files" / "256");
  fs::create_directories(root / "Files" / "Common");
  RunStartup(root.string());

  // What every frame pump sees: whether the start-up is on, and whether the
  // level scan has run (it finds at least the player's own level).
  struct Seen {
    bool startingUp;
    bool scanned;
  };
  std::vector<Seen> seen;
  int titleFrames = 0;
  PumpServices().musicStep = [&seen, &titleFrames] {
    seen.push_back({StartingUp(), levels.Count() > 0});
    // A few frames of the title screen are enough.
    if (seen.size() > 100000 || (levels.Count() > 0 && ++titleFrames > 3)) throw Stop{};
  };
  PumpServices().finish = [] { throw Stop{}; };
  // The level scan hands every name it lists to the debugger's log.
  std::vector<bool> scanning;
  SetDebugLogHook([&scanning](const std::string&) { scanning.push_back(StartingUp()); });
  EXPECT_TRUE(StartingUp());
  try {
    RunSettingsAndTitle();
  } catch (const Stop&) {
  }
  ResetPumpServices();
  SetDebugLogHook(nullptr);
  CloseDebugLog();
  fs::current_path(fs::temp_directory_path());
  fs::remove_all(root);

  size_t before = 0, after = 0;
  for (const Seen& s : seen) {
    // The speed test's frames come before the scan, the title's after it.
    EXPECT_EQ(s.startingUp, !s.scanned);
    (s.scanned ? after : before) += 1;
  }
  EXPECT_GT(before, 0u);
  EXPECT_GT(after, 0u);
  EXPECT_FALSE(scanning.empty());
  for (const bool on : scanning) EXPECT_TRUE(on);
  EXPECT_FALSE(StartingUp());
}

}  // namespace
