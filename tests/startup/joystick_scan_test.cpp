// The joystick scan over scripted joysticks of the test backend.
#include <gtest/gtest.h>

#include <string>

#include "common/fresh_globals.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"

namespace {

constexpr int kX = 0, kY = 1, kZ = 2, kU = 3, kV = 4, kR = 5;

class JoystickScan : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    CreateJoystickTables();
  }
};

TEST_F(JoystickScan, NoJoystickLeavesEveryTableAtItsStart) {
  ScanJoysticks();
  EXPECT_EQ(StickCount, 0);
  for (int n = 0; n < 5; ++n) {
    EXPECT_EQ(Stick[n], "") << n;
    EXPECT_EQ(StickOn[n], 0) << n;
    EXPECT_EQ(StickHat[n], 0) << n;
    EXPECT_EQ(StickBut[n], 0) << n;
    EXPECT_EQ(StickX[n], 0.0f) << n;
    EXPECT_EQ(StickR[n], 0.0f) << n;
  }
}

TEST_F(JoystickScan, RecordsNameButtonsRestPositionsAndHat) {
  const int p0 = testbackend::AddJoystick("Left Pad", 0x3FF, true);
  const int p1 = testbackend::AddJoystick("Flight Stick", 0x0F, false);
  ASSERT_EQ(p0, 0);
  ASSERT_EQ(p1, 1);
  // Pad 1 rests slightly off centre on every axis, so each is told apart.
  const float rest0[6] = {0.05f, -0.1f, 0.2f, -0.25f, 0.125f, -0.5f};
  for (int axis = 0; axis < 6; ++axis) testbackend::SetJoyAxis(p0, axis, rest0[axis]);
  testbackend::SetJoyAxis(p1, kZ, -1.0f);  // a throttle pulled back

  ScanJoysticks();

  EXPECT_EQ(StickCount, 2);
  EXPECT_EQ(Stick[1], "Left Pad");
  EXPECT_EQ(Stick[2], "Flight Stick");
  EXPECT_EQ(StickBut[1], 0x3FF);
  EXPECT_EQ(StickBut[2], 0x0F);
  EXPECT_EQ(StickX[1], rest0[kX]);
  EXPECT_EQ(StickY[1], rest0[kY]);
  EXPECT_EQ(StickZ[1], rest0[kZ]);
  EXPECT_EQ(StickU[1], rest0[kU]);
  EXPECT_EQ(StickV[1], rest0[kV]);
  EXPECT_EQ(StickR[1], rest0[kR]);
  EXPECT_EQ(StickZ[2], -1.0f);
  EXPECT_EQ(StickX[2], 0.0f);
  EXPECT_EQ(StickOn[1], 1);
  EXPECT_EQ(StickOn[2], 1);
  // A centred hat reads -1; a joystick without one reads 0 and gets no hat.
  EXPECT_EQ(StickHat[1], 1);
  EXPECT_EQ(StickHat[2], 0);
  // Slot 0 and the slots past the count keep their start values.
  for (int n : {0, 3, 4}) {
    EXPECT_EQ(Stick[n], "") << n;
    EXPECT_EQ(StickOn[n], 0) << n;
    EXPECT_EQ(StickHat[n], 0) << n;
  }
}

TEST_F(JoystickScan, HatHeldOffCentreCountsAsNoHat) {
  for (float hat : {0.0f, 0.25f, 0.875f}) {
    testbackend::Reset();
    testutil::FreshGlobals();
    CreateJoystickTables();
    const int p = testbackend::AddJoystick("Pad", 1, true);
    testbackend::SetJoyHat(p, hat);
    ScanJoysticks();
    EXPECT_EQ(StickHat[1], 0) << hat;
    EXPECT_EQ(StickOn[1], 1) << hat;
  }
}

TEST_F(JoystickScan, OnlyTheFirstFourOfSixJoysticksAreUsed) {
  for (int i = 0; i < 6; ++i) testbackend::AddJoystick("Pad " + std::to_string(i + 1), 1 << i);
  ScanJoysticks();
  EXPECT_EQ(StickCount, 4);
  for (int n = 1; n <= 4; ++n) {
    EXPECT_EQ(Stick[n], "Pad " + std::to_string(n)) << n;
    EXPECT_EQ(StickBut[n], 1 << (n - 1)) << n;
    EXPECT_EQ(StickOn[n], 1) << n;
  }
}

TEST_F(JoystickScan, ThirtyTwoButtonsGiveANegativeMask) {
  testbackend::AddJoystick("Big Pad", static_cast<int32_t>(0xFFFFFFFFu));
  ScanJoysticks();
  EXPECT_EQ(StickBut[1], -1);
  EXPECT_LT(StickBut[1], 0);
}

}  // namespace
