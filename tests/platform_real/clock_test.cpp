#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "platform/app.h"
#include "platform/files.h"
#include "platform/real/clock_internal.h"
#include "platform/runtime.h"

namespace {

// Milliseconds since this process started, as the system counts them (in
// its clock ticks, so up to a tick or two short).
double ProcessAgeMs() {
  std::ifstream stat("/proc/self/stat");
  std::string line;
  std::getline(stat, line);
  // The fields after the command's closing parenthesis; the start time is
  // the 20th of them.
  std::istringstream rest(line.substr(line.rfind(')') + 2));
  std::string field;
  for (int i = 0; i < 20; ++i) rest >> field;
  const double start_ticks = std::stod(field);
  double uptime = 0;
  std::ifstream("/proc/uptime") >> uptime;
  return uptime * 1000.0 - start_ticks * 1000.0 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

TEST(RealClock, CountsFromProgramStartAndNeverGoesBack) {
  const int32_t first = MilliSecs();
  EXPECT_GE(first, 0);
  // Program start, not the machine's boot: never more than the process has
  // lived, however long it took to get here.
  EXPECT_LE(first, ProcessAgeMs() + 2000.0 / static_cast<double>(sysconf(_SC_CLK_TCK)));
  int32_t last = first;
  for (int i = 0; i < 1000; ++i) {
    const int32_t now = MilliSecs();
    ASSERT_GE(now, last);
    last = now;
  }
}

TEST(RealClock, CountWrapsLikeA32BitCounter) {
  struct Case {
    uint64_t elapsed;
    int32_t reads;
  };
  const Case cases[] = {
      {0, 0},
      {2147483647ULL, INT32_MAX},
      {2147483648ULL, INT32_MIN},  // about 24.8 days after start
      {4294967295ULL, -1},
      {4294967296ULL, 0},
      {4294967296ULL + 16, 16},
  };
  for (const auto& c : cases) EXPECT_EQ(WrapToCounter(c.elapsed), c.reads) << c.elapsed;
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
