#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "platform/app.h"
#include "platform/files.h"
#include "platform/runtime.h"

namespace {

TEST(RealClock, CountsFromProgramStartAndNeverGoesBack) {
  const int32_t first = MilliSecs();
  EXPECT_GE(first, 0);
  EXPECT_LT(first, 60 * 1000);  // program start, not the machine's boot
  int32_t last = first;
  for (int i = 0; i < 1000; ++i) {
    const int32_t now = MilliSecs();
    ASSERT_GE(now, last);
    last = now;
  }
}

TEST(RealClock, DelayWaitsAtLeastItsTime) {
  const int32_t before = MilliSecs();
  Delay(25);
  EXPECT_GE(MilliSecs() - before, 25);
  const int32_t again = MilliSecs();
  Delay(0);
  Delay(-100);  // no wait, and above all no endless one
  EXPECT_GE(MilliSecs(), again);
}

TEST(RealApp, AppDirIsTheExecutablesFolder) {
  const std::string dir = AppDir();
  ASSERT_FALSE(dir.empty());
  EXPECT_EQ(dir.back(), '/');
  EXPECT_EQ(dir.front(), '/');
  const auto exe = std::filesystem::read_symlink("/proc/self/exe");
  EXPECT_EQ(std::filesystem::path(dir), exe.parent_path() / "");
}

TEST(RealApp, RunApplicationRunsTheRoutineOnceInTheExecutablesFolder) {
  ASSERT_TRUE(ChangeDir("/"));
  int runs = 0;
  std::string folder;
  const int status = RunApplication("ignored", [&] {
    ++runs;
    folder = CurrentDir() + "/";
  });
  EXPECT_EQ(status, 0);
  EXPECT_EQ(runs, 1);
  EXPECT_EQ(folder, AppDir());
}

}  // namespace
