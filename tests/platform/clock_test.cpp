#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <memory>

#include "platform/app.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"

namespace {

// Difference of two readings as the frame pump takes it: 32-bit, wrapping.
int32_t Since(int32_t later, int32_t earlier) {
  return static_cast<int32_t>(static_cast<uint32_t>(later) - static_cast<uint32_t>(earlier));
}

TEST(TestClock, StartsAtZeroAndOnlyDelayMovesIt) {
  testbackend::Reset();
  EXPECT_EQ(MilliSecs(), 0);
  EXPECT_EQ(MilliSecs(), 0);
  Delay(16);
  EXPECT_EQ(MilliSecs(), 16);
  Delay(0);
  Delay(-5);  // a negative wait is no wait
  EXPECT_EQ(MilliSecs(), 16);
  testbackend::AdvanceClock(-10000);  // the clock stepping back
  EXPECT_EQ(MilliSecs(), -9984);
  testbackend::Reset();
  EXPECT_EQ(testbackend::Clock(), 0);
}

TEST(TestClock, WrapsLikeA32BitCounter) {
  struct Case {
    int32_t start;
    int32_t wait;
    int32_t reads;
  };
  const Case cases[] = {
      {INT32_MAX - 5, 10, INT32_MIN + 4},
      {INT32_MAX, 1, INT32_MIN},
      {-1, 1, 0},
      {INT32_MAX - 5, 5, INT32_MAX},
  };
  for (const auto& c : cases) {
    testbackend::Reset();
    testbackend::SetClock(c.start);
    const int32_t before = MilliSecs();
    Delay(c.wait);
    const int32_t after = MilliSecs();
    EXPECT_EQ(after, c.reads) << c.start << " + " << c.wait;
    EXPECT_EQ(Since(after, before), c.wait);
  }
}

TEST(TestClock, KeepsWrappingOverManyTurns) {
  testbackend::Reset();
  testbackend::SetClock(INT32_MAX - 100);
  int32_t last = MilliSecs();
  for (int i = 0; i < 10000; ++i) {
    Delay(INT32_MAX / 1000);
    const int32_t now = MilliSecs();
    ASSERT_EQ(Since(now, last), INT32_MAX / 1000);
    last = now;
  }
}

TEST(TestClock, ReadCostMakesEveryReadingTakeTime) {
  testbackend::Reset();
  testbackend::SetReadCost(3);
  EXPECT_EQ(MilliSecs(), 3);
  EXPECT_EQ(MilliSecs(), 6);
  testbackend::SetClock(INT32_MAX - 1);
  EXPECT_EQ(MilliSecs(), INT32_MIN + 1);
  testbackend::Reset();
  EXPECT_EQ(MilliSecs(), 0);
}

TEST(TestClock, ResetRestoresTheRuntimeState) {
  testbackend::Reset();
  SeedRnd(99);
  SetLocalClockHook([] { return LocalDateTime{2001, 2, 3, 4, 5, 6, 0}; });
  EXPECT_EQ(CurrentDate(), "03 Feb 2001");
  // The hook stays for every later reset of the process, so what it counts
  // must outlive this test.
  auto resets = std::make_shared<int>(0);
  testbackend::AddResetHook([resets] { ++*resets; });
  testbackend::Reset();
  EXPECT_EQ(RndSeed(), 4660);
  EXPECT_NE(CurrentDate(), "03 Feb 2001");
  EXPECT_EQ(*resets, 1);
}

TEST(TestClock, FramesAndFrameHooks) {
  testbackend::Reset();
  auto calls = std::make_shared<int>(0);
  testbackend::AddFrameHook([calls] { ++*calls; });
  testbackend::EndFrame();
  testbackend::EndFrame();
  EXPECT_EQ(testbackend::FrameCount(), 2);
  EXPECT_EQ(*calls, 2);
  testbackend::Reset();
  EXPECT_EQ(testbackend::FrameCount(), 0);
}

TEST(TestApp, AppExitUnwindsToTheTestWithItsStatus) {
  testbackend::Reset();
  try {
    AppExit(3);
    FAIL() << "AppExit returned";
  } catch (const testbackend::AppExited& e) {
    EXPECT_EQ(e.status, 3);
  }
}

}  // namespace
