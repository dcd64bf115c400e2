#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "platform/input.h"
#include "platform/joystick.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_input.h"

namespace {

using namespace testbackend;

class InputTest : public ::testing::Test {
 protected:
  void SetUp() override { Reset(); }
};

// One step of a key's life: 'P' press, 'R' release, 'T' tap (press and release
// between polls), 'H' ask KeyHit, 'F' FlushKeys. The expected answers of the
// KeyHit calls and KeyDown after the whole sequence.
struct HitCase {
  std::string steps;
  std::vector<int> hits;
  int down_after;
};

TEST_F(InputTest, KeyHitCountsEachPressOnceUntilAsked) {
  const std::vector<HitCase> cases = {
      {"H", {0}, 0},
      {"PH", {1}, 1},
      {"PHH", {1, 0}, 1},
      {"PPPH", {1}, 1},        // a held key's repeats add nothing
      {"PRPRPH", {3}, 1},
      {"TTTH", {3}, 0},
      {"PRH", {1}, 0},         // pressed and let go before the poll still counts
      {"PFH", {0}, 0},         // a flush forgets the press and the held state
      {"PFPH", {1}, 1},        // after a flush a held key counts again when it goes down
      {"THTH", {1, 1}, 0},
  };
  for (const auto& c : cases) {
    Reset();
    std::vector<int> got;
    for (char s : c.steps) {
      switch (s) {
        case 'P': PressKey(65); break;
        case 'R': ReleaseKey(65); break;
        case 'T': TapKey(65); break;
        case 'F': FlushKeys(); break;
        case 'H': got.push_back(KeyHit(65)); break;
      }
    }
    EXPECT_EQ(got, c.hits) << c.steps;
    EXPECT_EQ(KeyDown(65), c.down_after) << c.steps;
  }
}

TEST_F(InputTest, KeysAreIndependentAndOutOfRangeCodesNeverDown) {
  PressKey(37);
  PressKey(255);
  PressKey(-1);
  PressKey(256);
  EXPECT_EQ(KeyDown(37), 1);
  EXPECT_EQ(KeyDown(39), 0);
  EXPECT_EQ(KeyDown(255), 1);
  EXPECT_EQ(KeyDown(-1), 0);
  EXPECT_EQ(KeyDown(256), 0);
  EXPECT_EQ(KeyHit(256), 0);
  EXPECT_EQ(KeyHit(39), 0);
  EXPECT_EQ(KeyHit(37), 1);
}

TEST_F(InputTest, MouseButtonsCountLikeKeys) {
  PressMouse(1);
  PressMouse(2);
  ReleaseMouse(2);
  PressMouse(2);
  EXPECT_EQ(MouseDown(1), 1);
  EXPECT_EQ(MouseDown(2), 1);
  EXPECT_EQ(MouseDown(3), 0);
  EXPECT_EQ(MouseHit(1), 1);
  EXPECT_EQ(MouseHit(2), 2);
  EXPECT_EQ(MouseHit(2), 0);
}

// Typing starts with a flush of the keys; the mouse button that started it
// (the room title box is typed into while the button is held on it) stays
// down, and a click not yet read stays counted.
TEST_F(InputTest, FlushKeysForgetsKeysPressesAndCharactersButNotTheMouse) {
  PressKey(65);
  TapKey(66);
  TypeText("xy");
  PressMouse(1);
  PressMouse(2);
  ReleaseMouse(2);
  FlushKeys();
  EXPECT_EQ(KeyDown(65), 0);
  EXPECT_EQ(KeyHit(65), 0);
  EXPECT_EQ(KeyHit(66), 0);
  EXPECT_EQ(GetChar(), 0);
  EXPECT_EQ(MouseDown(1), 1);
  EXPECT_EQ(MouseHit(1), 1);
  EXPECT_EQ(MouseHit(2), 1);
}

TEST_F(InputTest, TypedCharactersQueueInOrderUpTo256) {
  TypeText("a\xE9 ");
  EXPECT_EQ(GetChar(), 'a');
  EXPECT_EQ(GetChar(), 0xE9);  // Latin-1 e acute, as an unsigned code
  EXPECT_EQ(GetChar(), ' ');
  EXPECT_EQ(GetChar(), 0);

  TypeText(std::string(300, 'x'));
  int n = 0;
  while (GetChar() != 0) ++n;
  EXPECT_EQ(n, 256);

  TypeText("abc");
  FlushKeys();
  EXPECT_EQ(GetChar(), 0);
}

// Drains the typed characters.
std::string Typed() {
  std::string out;
  for (int c; (c = GetChar()) != 0;) out += static_cast<char>(c);
  return out;
}

// Ends a frame `ms` milliseconds after the last.
void FrameAfter(int ms) {
  AdvanceClock(ms);
  EndFrame();
}

TEST_F(InputTest, KeysTypeTheirCharactersAndTheLastOneHeldRepeats) {
  PressKey(65);
  EXPECT_EQ(Typed(), "a");
  FrameAfter(kRepeatDelayMs - 1);
  EXPECT_EQ(Typed(), "");
  FrameAfter(1);
  EXPECT_EQ(Typed(), "a");
  FrameAfter(2 * kRepeatEveryMs);
  EXPECT_EQ(Typed(), "aa");
  EXPECT_EQ(KeyHit(65), 1);  // repeats are no presses
  // A second key takes the repeat over; Shift gives capitals and does not
  // repeat itself.
  PressKey(160);
  PressKey(66);
  FrameAfter(kRepeatDelayMs);
  EXPECT_EQ(Typed(), "BB");
  ReleaseKey(66);
  FrameAfter(kRepeatDelayMs);
  EXPECT_EQ(Typed(), "");
  ReleaseKey(160);
  ReleaseKey(65);
  // Digits, keypad digits, Space and the control keys; arrows type nothing.
  for (int key : {48, 57, 96, 105, 32, 8, 9, 13, 27, 37, 46, 112}) TapKey(key);
  EXPECT_EQ(Typed(), std::string("0909 \b\t\r\x1b"));
}

// One case of the rule for a key held when typing starts: the steps, then
// what they typed. 'Z' press Z, 'z' let go of Z, 'A'/'a' the same for A,
// 'F' FlushKeys (typing starts), 'r' the time of two repeats passes.
struct HeldCase {
  std::string steps;
  std::string typed;
};

TEST_F(InputTest, AKeyHeldWhenTypingStartsTypesNothingUntilPressedAgain) {
  const std::vector<HeldCase> cases = {
      {"ZFr", ""},          // held through the flush: its repeats are dropped
      {"ZFrzZ", "z"},       // let go and pressed again: it types
      {"ZFrzZr", "zzz"},    // and repeats
      {"FZr", "zzz"},       // pressed after the flush: types and repeats
      {"ZFAr", "aaa"},      // another key pressed meanwhile types and repeats
      {"ZFAar", "a"},       // the held key's repeats, if any came back, type nothing
      {"ZzFr", ""},         // let go before the flush: nothing held, nothing typed
      {"ZFFrzZ", "z"},      // a second flush changes nothing
  };
  for (const HeldCase& c : cases) {
    Reset();
    // Whatever came before the flush is flushed with it.
    bool flushed = false;
    std::string typed;
    for (char step : c.steps) {
      switch (step) {
        case 'Z': PressKey(90); break;
        case 'z': ReleaseKey(90); break;
        case 'A': PressKey(65); break;
        case 'a': ReleaseKey(65); break;
        case 'F': FlushKeys(); flushed = true; break;
        case 'r': FrameAfter(kRepeatDelayMs + kRepeatEveryMs); break;
      }
      if (flushed) typed += Typed();
    }
    EXPECT_EQ(typed, c.typed) << c.steps;
  }
}

TEST_F(InputTest, PollInputCountsAsAFetchAndAPoll) {
  int hooked = 0;
  SetInputPollHook([&hooked](int64_t) { ++hooked; });
  PollInput();
  PollInput();
  KeyDown(1);
  EXPECT_EQ(InputFetches(), 2);
  EXPECT_EQ(InputPolls(), 3);
  EXPECT_EQ(hooked, 3);
}

TEST_F(InputTest, CloseRequestIsReportedOnceAndSurvivesFlush) {
  EXPECT_EQ(AppTerminate(), 0);
  RequestClose();
  FlushKeys();
  EXPECT_EQ(AppTerminate(), 1);
  EXPECT_EQ(AppTerminate(), 0);
}

TEST_F(InputTest, MouseIsInVirtualUnitsAndCanBeMoved) {
  SetMouse(640.5f, 480.25f);
  EXPECT_FLOAT_EQ(VirtualMouseX(), 640.5f);
  EXPECT_FLOAT_EQ(VirtualMouseY(), 480.25f);
  MoveVirtualMouse(1280, 960);
  EXPECT_FLOAT_EQ(VirtualMouseX(), 1280.0f);
  EXPECT_FLOAT_EQ(VirtualMouseY(), 960.0f);
  TurnWheel(3);
  TurnWheel(-1);
  EXPECT_EQ(MouseZ(), 2);
  HideMouse();
  EXPECT_EQ(MouseHidden(), 1);
  ShowMouse();
  EXPECT_EQ(MouseHidden(), 0);
}

TEST_F(InputTest, ScriptRunsAsFramesEnd) {
  HoldKeyFrames(38, 2, 3);  // down after frame 2 ends, up after frame 5 ends
  InputAtFrame(4, [] { TypeText("q"); });
  std::vector<int> down;
  std::vector<int> chars;
  for (int frame = 0; frame < 7; ++frame) {
    down.push_back(KeyDown(38));
    chars.push_back(GetChar());
    EndFrame();
  }
  EXPECT_EQ(down, (std::vector<int>{0, 0, 1, 1, 1, 0, 0}));
  EXPECT_EQ(chars, (std::vector<int>{0, 0, 0, 0, 'q', 0, 0}));
  EXPECT_EQ(KeyHit(38), 1);
}

TEST_F(InputTest, PollHookCanEndABusyWait) {
  PressKey(27);
  SetInputPollHook([](int64_t polls) {
    if (polls == 50) ReleaseKey(27);
  });
  int loops = 0;
  while (KeyDown(27) && loops < 1000) ++loops;
  EXPECT_EQ(loops, 49);
  EXPECT_EQ(InputPolls(), 50);
}

TEST_F(InputTest, ResetForgetsEverything) {
  PressKey(10);
  TypeText("z");
  RequestClose();
  AddJoystick("Pad", 3);
  InputAtFrame(5, [] { PressKey(11); });
  Reset();
  for (int i = 0; i < 6; ++i) EndFrame();
  EXPECT_EQ(KeyDown(10), 0);
  EXPECT_EQ(KeyDown(11), 0);
  EXPECT_EQ(GetChar(), 0);
  EXPECT_EQ(AppTerminate(), 0);
  EXPECT_EQ(JoyCount(), 0);
}

TEST_F(InputTest, ScriptedJoysticksReportNamesCapsAxesHatAndButtons) {
  EXPECT_EQ(JoyCount(), 0);
  EXPECT_EQ(AddJoystick("Stick One", 0x0FFF), 0);
  EXPECT_EQ(AddJoystick("No Hat", static_cast<int32_t>(0xFFFFFFFFu), false), 1);
  EXPECT_EQ(JoyCount(), 2);
  EXPECT_EQ(JoyName(0), "Stick One");
  EXPECT_EQ(JoyName(1), "No Hat");
  EXPECT_EQ(JoyName(2), "");
  EXPECT_EQ(JoyButtonCaps(0), 4095);
  EXPECT_EQ(JoyButtonCaps(1), -1);
  EXPECT_EQ(JoyButtonCaps(7), 0);

  EXPECT_FLOAT_EQ(JoyHat(0), -1.0f);
  EXPECT_FLOAT_EQ(JoyHat(1), 0.0f);
  SetJoyHat(0, 0.125f);
  SetJoyHat(1, 0.5f);  // a joystick without a hat keeps reading 0
  EXPECT_FLOAT_EQ(JoyHat(0), 0.125f);
  EXPECT_FLOAT_EQ(JoyHat(1), 0.0f);

  float (*axes[6])(int) = {JoyX, JoyY, JoyZ, JoyU, JoyV, JoyR};
  for (int a = 0; a < 6; ++a) SetJoyAxis(0, a, -1.0f + 0.25f * a);
  for (int a = 0; a < 6; ++a) {
    EXPECT_FLOAT_EQ(axes[a](0), -1.0f + 0.25f * a) << a;
    EXPECT_FLOAT_EQ(axes[a](1), 0.0f) << a;
    EXPECT_FLOAT_EQ(axes[a](5), 0.0f) << a;
  }

  SetJoyButton(0, 3, true);
  SetJoyButton(1, 31, true);
  EXPECT_EQ(JoyDown(3, 0), 1);
  EXPECT_EQ(JoyDown(2, 0), 0);
  EXPECT_EQ(JoyDown(31, 1), 1);
  EXPECT_EQ(JoyDown(3, 1), 0);
  EXPECT_EQ(JoyDown(3, 9), 0);
  EXPECT_EQ(JoyDownCalls(), 5);
  SetJoyButton(0, 3, false);
  EXPECT_EQ(JoyDown(3, 0), 0);
}

}  // namespace
