#include <SDL.h>
#include <gtest/gtest.h>

#include "platform/joystick.h"
#include "platform/real/joystick_internal.h"

namespace {

class Joysticks : public ::testing::Test {
 protected:
  // The ports look for devices once per process; each case looks afresh.
  void SetUp() override {
    JoysticksStartOver();
    ASSERT_EQ(SDL_Init(SDL_INIT_JOYSTICK), 0) << SDL_GetError();
  }
  void TearDown() override {
    JoysticksStartOver();
    SDL_Quit();
  }

  // Attaches a virtual joystick and opens it, so the test can move it.
  static SDL_Joystick* Attach(int axes, int buttons, int hats) {
    int index = SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, axes, buttons, hats);
    EXPECT_GE(index, 0) << SDL_GetError();
    SDL_Joystick* j = SDL_JoystickOpen(index);
    EXPECT_NE(j, nullptr);
    return j;
  }
};

TEST_F(Joysticks, NoDevicesMeansNothingToRead) {
  EXPECT_EQ(JoyCount(), 0);
  EXPECT_EQ(JoyName(0), "");
  EXPECT_EQ(JoyButtonCaps(0), 0);
  EXPECT_EQ(JoyDown(0, 0), 0);
  EXPECT_FLOAT_EQ(JoyX(0), 0.0f);
  EXPECT_FLOAT_EQ(JoyHat(0), 0.0f);
}

TEST_F(Joysticks, VirtualJoysticksReadThroughEveryCall) {
  SDL_Joystick* pad = Attach(6, 12, 1);
  SDL_Joystick* small = Attach(2, 40, 0);
  ASSERT_EQ(JoyCount(), 2);
  EXPECT_FALSE(JoyName(0).empty());
  EXPECT_EQ(JoyButtonCaps(0), 4095);
  EXPECT_EQ(JoyButtonCaps(1), -1);  // 32 or more buttons: every bit
  EXPECT_EQ(JoyButtonCaps(2), 0);

  // Axes 0..5 are X, Y, Z, U, V, R; the raw ends are -1 and 1 exactly.
  float (*axes[6])(int) = {JoyX, JoyY, JoyZ, JoyU, JoyV, JoyR};
  const int16_t raw[6] = {32767, -32768, 16384, -16384, 32767, -32768};
  const float want[6] = {1.0f, -1.0f, 0.5f, -0.5f, 1.0f, -1.0f};
  for (int a = 0; a < 6; ++a) ASSERT_EQ(SDL_JoystickSetVirtualAxis(pad, a, raw[a]), 0);
  for (int a = 0; a < 6; ++a) EXPECT_NEAR(axes[a](0), want[a], 1e-4) << a;
  // An axis the joystick lacks reads 0.
  EXPECT_FLOAT_EQ(JoyZ(1), 0.0f);
  EXPECT_FLOAT_EQ(JoyR(1), 0.0f);

  struct HatCase {
    Uint8 sdl;
    float hat;
  };
  const HatCase hats[] = {{SDL_HAT_CENTERED, -1.0f}, {SDL_HAT_UP, 0.0f},        {SDL_HAT_RIGHTUP, 0.125f},
                          {SDL_HAT_RIGHT, 0.25f},    {SDL_HAT_RIGHTDOWN, 0.375f}, {SDL_HAT_DOWN, 0.5f},
                          {SDL_HAT_LEFTDOWN, 0.625f}, {SDL_HAT_LEFT, 0.75f},     {SDL_HAT_LEFTUP, 0.875f}};
  for (const auto& h : hats) {
    ASSERT_EQ(SDL_JoystickSetVirtualHat(pad, 0, h.sdl), 0);
    EXPECT_FLOAT_EQ(JoyHat(0), h.hat) << int(h.sdl);
  }
  EXPECT_FLOAT_EQ(JoyHat(1), 0.0f);  // no hat

  ASSERT_EQ(SDL_JoystickSetVirtualButton(pad, 3, SDL_PRESSED), 0);
  ASSERT_EQ(SDL_JoystickSetVirtualButton(small, 35, SDL_PRESSED), 0);
  EXPECT_EQ(JoyDown(3, 0), 1);
  EXPECT_EQ(JoyDown(4, 0), 0);
  EXPECT_EQ(JoyDown(35, 1), 1);
  EXPECT_EQ(JoyDown(3, 1), 0);
  EXPECT_EQ(JoyDown(12, 0), 0);  // beyond the pad's buttons
  ASSERT_EQ(SDL_JoystickSetVirtualButton(pad, 3, SDL_RELEASED), 0);
  EXPECT_EQ(JoyDown(3, 0), 0);
}

TEST_F(Joysticks, DevicesAreLookedForOnceAtTheFirstCall) {
  Attach(2, 2, 0);
  EXPECT_EQ(JoyCount(), 1);
  Attach(2, 2, 0);
  EXPECT_EQ(JoyCount(), 1);
}

}  // namespace
