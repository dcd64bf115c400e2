#include <gtest/gtest.h>

#include <cstdint>
#include <map>

#include "common/fresh_globals.h"
#include "framework/controls.h"
#include "framework/keynames.h"
#include "platform/joystick.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"

namespace {

using testbackend::PressKey;
using testbackend::ReleaseKey;

class ControlsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    StickCount = 0;
    StickOn.fill(0);
    StickHat.fill(0);
    StickBut.fill(0);
    StickX.fill(0), StickY.fill(0), StickZ.fill(0), StickU.fill(0), StickV.fill(0), StickR.fill(0);
    KeyV.fill(0);
  }
  // A stick found at start-up: rest positions read from the device, as the
  // start-up scan records them.
  int AddStick(int32_t caps, bool hat = true) {
    const int port = testbackend::AddJoystick("Pad", caps, hat);
    const int n = port + 1;
    StickCount = n;
    StickOn[n] = 1;
    StickBut[n] = JoyButtonCaps(port);
    StickX[n] = JoyX(port), StickY[n] = JoyY(port), StickZ[n] = JoyZ(port);
    StickU[n] = JoyU(port), StickV[n] = JoyV(port), StickR[n] = JoyR(port);
    StickHat[n] = JoyHat(port) == -1.0f ? 1 : 0;
    return port;
  }
};

TEST_F(ControlsTest, KeyboardCodes) {
  EXPECT_EQ(key(0), 0);
  for (int32_t code : {9, 1, 255}) {
    PressKey(code);
    EXPECT_EQ(key(code), 0) << code;
  }
  for (int32_t code : {10, 38, 90, 254}) {
    EXPECT_EQ(key(code), 0) << code;
    PressKey(code);
    EXPECT_EQ(key(code), 1) << code;
    ReleaseKey(code);
    EXPECT_EQ(key(code), 0) << code;
  }
  for (int32_t code : {-1, 256, 299, 500, 600, INT32_MIN, INT32_MAX}) EXPECT_EQ(key(code), 0) << code;
}

TEST_F(ControlsTest, PlayKeyReadsTheBoundSlot) {
  KeyV[10] = 90;
  KeyV[20 + 8] = 40;
  EXPECT_EQ(PlayKey(10, 1), 0);
  PressKey(90);
  EXPECT_EQ(PlayKey(10, 1), 1);
  EXPECT_EQ(PlayKey(10, 2), 0);  // unbound
  PressKey(40);
  EXPECT_EQ(PlayKey(8, 2), 1);
  EXPECT_EQ(PlayKey(8, 1), 0);
}

TEST_F(ControlsTest, AxisHalvesFromTheirRestPositions) {
  const int port = AddStick(0xFFF);
  testbackend::SetJoyAxis(port, 2, -1.0f);  // Z rests at one end (a throttle)
  StickZ[1] = JoyZ(port);
  // axis index of the device (X, Y, Z, U, V, R) for parts 0..11 (Y, X, Z, U, V, R).
  const int deviceAxis[6] = {1, 0, 2, 3, 4, 5};
  struct Case {
    int part;
    float value;
    int32_t want;
  };
  const Case cases[] = {
      {0, -0.3f, 0}, {0, -0.31f, 1}, {1, 0.3f, 0},   {1, 0.31f, 1},  {2, -0.5f, 1}, {3, 0.5f, 1},
      {3, -0.5f, 0}, {6, -0.9f, 1},  {7, 0.9f, 1},   {8, -0.4f, 1},  {9, 0.2f, 0},  {10, -1.0f, 1},
      {11, 1.0f, 1},
      // Z rests at -1: its negative half can never be active, its positive half above -0.7.
      {4, -1.0f, 0}, {5, -0.7f, 0},  {5, -0.69f, 1},
  };
  for (const Case& c : cases) {
    const int axis = deviceAxis[c.part / 2];
    const float rest = axis == 2 ? -1.0f : 0.0f;
    testbackend::SetJoyAxis(port, axis, c.value);
    EXPECT_EQ(key(300 + c.part), c.want) << "part " << c.part << " at " << c.value;
    testbackend::SetJoyAxis(port, axis, rest);
  }
}

TEST_F(ControlsTest, HatDirections) {
  const int port = AddStick(0);
  ASSERT_EQ(StickHat[1], 1);
  struct Case {
    float hat;
    std::vector<int> active;  // parts among 20 up, 25 right, 28 down, 23 left
  };
  const Case cases[] = {{-1, {}},       {0, {20}},      {0.125f, {20, 25}}, {0.25f, {25}},
                        {0.375f, {25, 28}}, {0.5f, {28}}, {0.625f, {28, 23}}, {0.75f, {23}},
                        {0.875f, {23, 20}}};
  for (const Case& c : cases) {
    testbackend::SetJoyHat(port, c.hat);
    for (int part : {20, 23, 25, 28}) {
      const bool want = std::find(c.active.begin(), c.active.end(), part) != c.active.end();
      EXPECT_EQ(key(300 + part), want ? 1 : 0) << "hat " << c.hat << " part " << part;
    }
  }
  // A stick whose hat was not centred at the scan has no directions.
  StickHat[1] = 0;
  testbackend::SetJoyHat(port, 0);
  EXPECT_EQ(key(320), 0);
}

TEST_F(ControlsTest, ButtonsAndStickSwitches) {
  const int port = AddStick(0xFFFFF);
  testbackend::SetJoyButton(port, 19, true);
  EXPECT_EQ(key(349), 1);
  testbackend::SetJoyButton(port, 0, true);
  EXPECT_EQ(key(330), 1);
  EXPECT_EQ(key(331), 0);
  // Parts that name nothing.
  for (int32_t part : {12, 19, 21, 22, 24, 26, 27, 29}) EXPECT_EQ(key(300 + part), 0) << part;
  // A stick switched off reads as nothing until it is switched on again.
  StickOn[1] = 0;
  EXPECT_EQ(key(330), 0);
  EXPECT_EQ(GetKey(), 0);
  StickOn[1] = 1;
  EXPECT_EQ(key(330), 1);
  // Stick 3 on a system with one stick.
  EXPECT_EQ(key(430), 0);
}

TEST_F(ControlsTest, GetKeyOrder) {
  EXPECT_EQ(GetKey(), 0);
  const int port = AddStick(0xFFF);
  testbackend::SetJoyButton(port, 2, true);
  EXPECT_EQ(GetKey(), 332);
  testbackend::SetJoyHat(port, 0.25f);
  EXPECT_EQ(GetKey(), 325);
  testbackend::SetJoyHat(port, 0.125f);  // diagonals are not reported
  EXPECT_EQ(GetKey(), 332);
  testbackend::SetJoyAxis(port, 0, 0.9f);  // X+
  EXPECT_EQ(GetKey(), 303);
  testbackend::SetJoyAxis(port, 1, -0.9f);  // Y- comes first
  EXPECT_EQ(GetKey(), 300);
  PressKey(90);
  EXPECT_EQ(GetKey(), 90);  // any key before any stick
  PressKey(40);
  EXPECT_EQ(GetKey(), 40);  // the lowest code
  PressKey(8);
  EXPECT_EQ(GetKey(), 8);  // codes below 10 are reported too
  for (int32_t fkey : {122, 123}) {
    PressKey(fkey);
    EXPECT_EQ(GetKey(), 0) << fkey;
    ReleaseKey(fkey);
  }
}

TEST_F(ControlsTest, GetKeyButtonScan) {
  // Button 19 is active for key but has no binding code of its own.
  int port = AddStick(0xFFFFF);
  testbackend::SetJoyButton(port, 19, true);
  EXPECT_EQ(key(349), 1);
  EXPECT_EQ(GetKey(), 0);
  // A second stick is scanned after the first.
  const int port2 = AddStick(0x3);
  testbackend::SetJoyButton(port2, 1, true);
  EXPECT_EQ(GetKey(), 381);
  testbackend::SetJoyButton(port, 18, true);
  EXPECT_EQ(GetKey(), 348);
}

TEST_F(ControlsTest, GetKeyWithAFullButtonMaskStaysShort) {
  // Every bit set: the mask reads as a negative number. Only buttons the stick
  // has and that can be bound are polled.
  const int port = AddStick(static_cast<int32_t>(0xFFFFFFFFu), false);
  testbackend::SetJoyButton(port, 5, true);
  const int64_t before = testbackend::JoyDownCalls();
  EXPECT_EQ(GetKey(), 335);
  EXPECT_LE(testbackend::JoyDownCalls() - before, 19);
  // Buttons the mask does not list are not polled.
  StickBut[1] = 0x1;
  EXPECT_EQ(GetKey(), 0);
}

TEST(KeyNames, WholeTable) {
  std::map<int32_t, std::string> want = {
      {0, "Pause"},      {1, "Left Mousebutton"}, {2, "Right Mousebutton"}, {3, "Middle Mousebutton"},
      {8, "Backspace"},  {9, "Tab"},              {12, "Clear"},            {13, "Return"},
      {19, "Pause"},     {20, "CapsLock"},        {27, "Escape"},           {32, "Space"},
      {33, "Page Up"},   {34, "Page Down"},       {35, "End"},              {36, "Home"},
      {37, "Left"},      {38, "Up"},              {39, "Right"},            {40, "Down"},
      {41, "Select"},    {42, "Print"},           {43, "Execute"},          {44, "Screen"},
      {45, "Insert"},    {46, "Delete"},          {91, "Sys Left"},         {92, "Sys Right"},
      {106, "*"},        {107, "+"},              {109, "-"},               {110, "."},
      {111, "/"},        {144, "NumLock"},        {145, "ScrollLock"},      {160, "LShift"},
      {161, "RShift"},   {162, "LControl"},       {163, "RControl"},        {164, "LAlt"},
      {165, "RAlt"},     {173, "Mute"},           {174, "Volume Down"},     {175, "Volume Up"},
      {186, ";"},        {187, "="},              {188, ","},               {189, "-"},
      {190, "."},        {191, "/"},              {192, "'"},               {219, "["},
      {220, "\\"},       {221, "]"},              {222, "#"},               {223, "`"},
      {226, "\\"},
  };
  for (int d = 0; d <= 9; ++d) {
    want[48 + d] = std::to_string(d);
    want[96 + d] = std::to_string(d);
  }
  for (int l = 0; l < 26; ++l) want[65 + l] = std::string(1, static_cast<char>('A' + l));
  for (int f = 1; f <= 12; ++f) want[111 + f] = "F" + std::to_string(f);
  ASSERT_EQ(want.size(), 115u);

  const char* parts[12] = {"Y-", "Y+", "X-", "X+", "Z-", "Z+", "U-", "U+", "V-", "V+", "R-", "R+"};
  for (int32_t code = 0; code < 500; ++code) {
    auto it = want.find(code);
    std::string expected;
    if (it != want.end()) {
      expected = it->second;
    } else {
      const int part = code % 50;
      if (part < 12) expected = parts[part];
      else if (part == 20) expected = "Up";
      else if (part == 23) expected = "Left";
      else if (part == 25) expected = "Right";
      else if (part == 28) expected = "Down";
      else expected = std::to_string(part - 30);
    }
    EXPECT_EQ(KeyName(code), expected) << code;
  }
  // The examples in full.
  const std::pair<int32_t, const char*> examples[] = {
      {0, "Pause"},  {19, "Pause"}, {13, "Return"}, {96, "0"},   {300, "Y-"}, {350, "Y-"},  {320, "Up"},
      {323, "Left"}, {325, "Right"}, {328, "Down"}, {330, "0"},  {349, "19"}, {312, "-18"}, {4, "Z-"},
      {255, "Z+"},   {14, "-16"},
      // Negative codes keep the sign of their remainder.
      {-1, "-31"},   {-50, "Y-"}, {-20, "-50"}, {-49, "-79"}, {INT32_MIN, "-78"},
  };
  for (const auto& [code, name] : examples) EXPECT_EQ(KeyName(code), name) << code;
}

}  // namespace
