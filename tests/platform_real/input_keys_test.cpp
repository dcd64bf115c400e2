#include <SDL.h>
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "platform/core/input_state.h"
#include "platform/core/keymap.h"
#include "platform/input.h"
#include "platform/real/display_internal.h"

namespace {

TEST(InputKeyCodes, ScancodesMapToTheGamesKeyCodes) {
  struct Case {
    SDL_Scancode sc;
    int code;
  };
  const std::vector<Case> cases = {
      {SDL_SCANCODE_BACKSPACE, 8},   {SDL_SCANCODE_TAB, 9},        {SDL_SCANCODE_CLEAR, 12},
      {SDL_SCANCODE_RETURN, 13},     {SDL_SCANCODE_KP_ENTER, 13},  {SDL_SCANCODE_PAUSE, 19},
      {SDL_SCANCODE_CAPSLOCK, 20},   {SDL_SCANCODE_ESCAPE, 27},    {SDL_SCANCODE_SPACE, 32},
      {SDL_SCANCODE_PAGEUP, 33},     {SDL_SCANCODE_PAGEDOWN, 34},  {SDL_SCANCODE_END, 35},
      {SDL_SCANCODE_HOME, 36},       {SDL_SCANCODE_LEFT, 37},      {SDL_SCANCODE_UP, 38},
      {SDL_SCANCODE_RIGHT, 39},      {SDL_SCANCODE_DOWN, 40},      {SDL_SCANCODE_SELECT, 41},
      {SDL_SCANCODE_EXECUTE, 43},    {SDL_SCANCODE_PRINTSCREEN, 44}, {SDL_SCANCODE_INSERT, 45},
      {SDL_SCANCODE_DELETE, 46},     {SDL_SCANCODE_0, 48},         {SDL_SCANCODE_1, 49},
      {SDL_SCANCODE_5, 53},          {SDL_SCANCODE_9, 57},         {SDL_SCANCODE_A, 65},
      {SDL_SCANCODE_C, 67},          {SDL_SCANCODE_V, 86},         {SDL_SCANCODE_X, 88},
      {SDL_SCANCODE_Z, 90},          {SDL_SCANCODE_LGUI, 91},      {SDL_SCANCODE_RGUI, 92},
      {SDL_SCANCODE_KP_0, 96},       {SDL_SCANCODE_KP_1, 97},      {SDL_SCANCODE_KP_9, 105},
      {SDL_SCANCODE_KP_MULTIPLY, 106}, {SDL_SCANCODE_KP_PLUS, 107}, {SDL_SCANCODE_KP_MINUS, 109},
      {SDL_SCANCODE_KP_PERIOD, 110}, {SDL_SCANCODE_KP_DIVIDE, 111}, {SDL_SCANCODE_F1, 112},
      {SDL_SCANCODE_F4, 115},        {SDL_SCANCODE_F11, 122},      {SDL_SCANCODE_F12, 123},
      {SDL_SCANCODE_NUMLOCKCLEAR, 144}, {SDL_SCANCODE_SCROLLLOCK, 145}, {SDL_SCANCODE_LSHIFT, 160},
      {SDL_SCANCODE_RSHIFT, 161},    {SDL_SCANCODE_LCTRL, 162},    {SDL_SCANCODE_RCTRL, 163},
      {SDL_SCANCODE_LALT, 164},      {SDL_SCANCODE_RALT, 165},     {SDL_SCANCODE_MUTE, 173},
      {SDL_SCANCODE_AUDIOMUTE, 173}, {SDL_SCANCODE_VOLUMEDOWN, 174}, {SDL_SCANCODE_VOLUMEUP, 175},
      {SDL_SCANCODE_SEMICOLON, 186}, {SDL_SCANCODE_EQUALS, 187},   {SDL_SCANCODE_COMMA, 188},
      {SDL_SCANCODE_MINUS, 189},     {SDL_SCANCODE_PERIOD, 190},   {SDL_SCANCODE_SLASH, 191},
      {SDL_SCANCODE_APOSTROPHE, 192}, {SDL_SCANCODE_LEFTBRACKET, 219}, {SDL_SCANCODE_BACKSLASH, 220},
      {SDL_SCANCODE_RIGHTBRACKET, 221}, {SDL_SCANCODE_NONUSHASH, 222}, {SDL_SCANCODE_GRAVE, 223},
      {SDL_SCANCODE_NONUSBACKSLASH, 226}, {SDL_SCANCODE_UNKNOWN, 0}, {SDL_SCANCODE_POWER, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(KeyCodeFromScancode(c.sc), c.code) << SDL_GetScancodeName(c.sc);
  EXPECT_EQ(KeyCodeFromScancode(-1), 0);
  EXPECT_EQ(KeyCodeFromScancode(SDL_NUM_SCANCODES), 0);
}

TEST(InputKeyCodes, EveryLetterDigitAndFunctionKeyHasItsCode) {
  for (int i = 0; i < 26; ++i) EXPECT_EQ(KeyCodeFromScancode(SDL_SCANCODE_A + i), 65 + i);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(KeyCodeFromScancode(SDL_SCANCODE_1 + i), 49 + i);
  for (int i = 0; i < 12; ++i) EXPECT_EQ(KeyCodeFromScancode(SDL_SCANCODE_F1 + i), 112 + i);
  for (int i = 0; i < 9; ++i) EXPECT_EQ(KeyCodeFromScancode(SDL_SCANCODE_KP_1 + i), 97 + i);
}

class InputEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
    // A clean slate even when several cases share one process: nothing that
    // another case's window sent is still on its way.
    SDL_PumpEvents();
    SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    inputstate::Reset();
  }
  void TearDown() override { SDL_Quit(); }

  static void Key(SDL_Scancode sc, bool down, bool repeat = false, SDL_Keycode sym = SDLK_UNKNOWN) {
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.repeat = repeat ? 1 : 0;
    e.key.keysym.scancode = sc;
    e.key.keysym.sym = sym;
    SDL_PushEvent(&e);
  }
  static void Text(const char* utf8) {
    SDL_Event e{};
    e.type = SDL_TEXTINPUT;
    SDL_strlcpy(e.text.text, utf8, sizeof(e.text.text));
    SDL_PushEvent(&e);
  }
  static void Button(uint8_t button, bool down, int x, int y) {
    SDL_Event e{};
    e.type = down ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
    e.button.button = button;
    e.button.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.button.x = x;
    e.button.y = y;
    SDL_PushEvent(&e);
  }
  static void Window(uint8_t what) {
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.event = what;
    SDL_PushEvent(&e);
  }
};

TEST_F(InputEvents, PendingKeyEventsCountOnceFetchedAndRepeatsAddNoPress) {
  Key(SDL_SCANCODE_ESCAPE, true);
  // Nothing arrives before the fetch.
  EXPECT_EQ(KeyDown(27), 0);
  PollInput();
  EXPECT_EQ(KeyDown(27), 1);
  Key(SDL_SCANCODE_ESCAPE, true, true);
  Key(SDL_SCANCODE_ESCAPE, true, true);
  PollInput();
  EXPECT_EQ(KeyHit(27), 1);
  Key(SDL_SCANCODE_ESCAPE, false);
  PollInput();
  EXPECT_EQ(KeyDown(27), 0);
  Key(SDL_SCANCODE_SPACE, true);
  Key(SDL_SCANCODE_SPACE, false);
  Key(SDL_SCANCODE_SPACE, true);
  Key(SDL_SCANCODE_SPACE, false);
  PollInput();
  EXPECT_EQ(KeyHit(32), 2);
  EXPECT_EQ(KeyDown(32), 0);
  // A repeat after a flush is still the same press.
  Key(SDL_SCANCODE_Z, true);
  FlushKeys();
  Key(SDL_SCANCODE_Z, true, true);
  PollInput();
  EXPECT_EQ(KeyHit(90), 0);
}

TEST_F(InputEvents, TypedTextBecomesLatin1CharactersAndControlKeysTypeTheirCodes) {
  Text("a\xC3\xA9\xE2\x82\xAC!");  // a, e acute, the euro sign (not Latin-1), !
  Key(SDL_SCANCODE_BACKSPACE, true, false, SDLK_BACKSPACE);
  Key(SDL_SCANCODE_BACKSPACE, true, true, SDLK_BACKSPACE);  // repeats type again
  Key(SDL_SCANCODE_RETURN, true, false, SDLK_RETURN);
  Key(SDL_SCANCODE_DELETE, true, false, SDLK_DELETE);
  Key(SDL_SCANCODE_LEFT, true, false, SDLK_LEFT);
  PollInput();
  std::vector<int> got;
  for (int c; (c = GetChar()) != 0;) got.push_back(c);
  EXPECT_EQ(got, (std::vector<int>{'a', 0xE9, '!', 8, 8, 13}));
}

TEST_F(InputEvents, CloseRequestsAreReportedOnce) {
  EXPECT_EQ(AppTerminate(), 0);
  SDL_Event q{};
  q.type = SDL_QUIT;
  SDL_PushEvent(&q);
  PollInput();
  EXPECT_EQ(AppTerminate(), 1);
  EXPECT_EQ(AppTerminate(), 0);
  Window(SDL_WINDOWEVENT_CLOSE);
  PollInput();
  EXPECT_EQ(AppTerminate(), 1);
}

TEST_F(InputEvents, MouseButtonsAndPointer) {
  Button(SDL_BUTTON_LEFT, true, 100, 50);
  Button(SDL_BUTTON_RIGHT, true, 120, 60);
  Button(SDL_BUTTON_MIDDLE, true, 120, 60);
  Button(SDL_BUTTON_MIDDLE, false, 120, 60);
  PollInput();
  EXPECT_EQ(MouseDown(1), 1);
  EXPECT_EQ(MouseDown(2), 1);
  EXPECT_EQ(MouseDown(3), 0);
  EXPECT_EQ(MouseHit(3), 1);
  EXPECT_EQ(MouseHit(1), 1);
  float vx, vy;
  DisplayWindowToVirtual(120, 60, vx, vy);
  EXPECT_FLOAT_EQ(VirtualMouseX(), vx);
  EXPECT_FLOAT_EQ(VirtualMouseY(), vy);
  MoveVirtualMouse(10, 20);
  EXPECT_NEAR(VirtualMouseX(), 10, 1);
  EXPECT_NEAR(VirtualMouseY(), 20, 1);
}

// The frame pump's order: the overlay reads the click count, the rest of the
// frame asks whatever it asks, the pump samples the count again (which drops
// it), then the frame ends with the fetch. A click that the window system
// delivers while the frame runs reaches the next frame's first read, once,
// whichever queries come in between.
TEST_F(InputEvents, AClickArrivingInTheMiddleOfAFrameReachesTheNextFramesFirstReadOnce) {
  struct Case {
    const char* query;
    std::function<void()> ask;
  };
  const std::vector<Case> cases = {
      {"KeyDown", [] { KeyDown(27); }},         {"KeyHit", [] { KeyHit(9); }},
      {"MouseDown", [] { MouseDown(1); }},      {"MouseHit of another button", [] { MouseHit(2); }},
      {"GetChar", [] { GetChar(); }},           {"VirtualMouseX", [] { VirtualMouseX(); }},
      {"VirtualMouseY", [] { VirtualMouseY(); }}, {"MouseZ", [] { MouseZ(); }},
      {"AppTerminate", [] { AppTerminate(); }},
  };
  for (const Case& c : cases) {
    PollInput();
    EXPECT_EQ(MouseHit(1), 0) << c.query;  // the overlay's read
    Button(SDL_BUTTON_LEFT, true, 30, 40);
    Button(SDL_BUTTON_LEFT, false, 30, 40);
    c.ask();
    EXPECT_EQ(MouseHit(1), 0) << c.query;  // the pump's sample
    PollInput();                           // the end of the frame
    EXPECT_EQ(MouseHit(1), 1) << c.query;  // the next frame's overlay
    EXPECT_EQ(MouseHit(1), 0) << c.query;
  }
}

TEST_F(InputEvents, KeysWithoutACodeAreNotReported) {
  Key(SDL_SCANCODE_POWER, true);
  Key(SDL_SCANCODE_UNKNOWN, true);
  PollInput();
  for (int code = 0; code < KEY_CODE_COUNT; ++code) EXPECT_EQ(KeyDown(code), 0) << code;
}

TEST_F(InputEvents, LosingTheFocusForgetsHeldKeysAndButtons) {
  Key(SDL_SCANCODE_LEFT, true);
  Button(SDL_BUTTON_LEFT, true, 30, 40);
  PollInput();
  EXPECT_EQ(KeyDown(37), 1);
  EXPECT_EQ(MouseDown(1), 1);
  Window(SDL_WINDOWEVENT_FOCUS_LOST);
  PollInput();
  EXPECT_EQ(KeyDown(37), 0);
  EXPECT_EQ(MouseDown(1), 0);
  EXPECT_EQ(MouseHit(1), 0);
}

TEST_F(InputEvents, FlushKeysTakesWhatIsPendingAndKeepsTheMouse) {
  Button(SDL_BUTTON_LEFT, true, 30, 40);
  Button(SDL_BUTTON_RIGHT, true, 30, 40);
  Button(SDL_BUTTON_RIGHT, false, 30, 40);
  Key(SDL_SCANCODE_RETURN, true, false, SDLK_RETURN);
  Text("q");
  // Not fetched yet: the flush takes them too.
  FlushKeys();
  PollInput();
  EXPECT_EQ(KeyHit(13), 0);
  EXPECT_EQ(KeyDown(13), 0);
  EXPECT_EQ(GetChar(), 0);
  EXPECT_EQ(MouseDown(1), 1);
  EXPECT_EQ(MouseHit(2), 1);
}

// Fire held while the player dies: the name entry's flush must not let the
// key's repeats type. A key pressed after the flush types, and so does the
// held key once let go and pressed again.
TEST_F(InputEvents, AKeyHeldAtTheFlushTypesNothingUntilPressedAgain) {
  Key(SDL_SCANCODE_Z, true, false, SDLK_z);
  Text("z");
  PollInput();
  FlushKeys();
  std::string typed;
  const auto take = [&typed] {
    PollInput();
    for (int c; (c = GetChar()) != 0;) typed += static_cast<char>(c);
  };
  for (int i = 0; i < 3; ++i) {
    Key(SDL_SCANCODE_Z, true, true, SDLK_z);
    Text("z");
  }
  take();
  EXPECT_EQ(typed, "");
  // Another key pressed meanwhile types, repeats and all.
  Key(SDL_SCANCODE_A, true, false, SDLK_a);
  Text("a");
  Key(SDL_SCANCODE_A, true, true, SDLK_a);
  Text("a");
  Key(SDL_SCANCODE_A, false);
  take();
  EXPECT_EQ(typed, "aa");
  // Backspace held through the flush neither; Return pressed after it does.
  Key(SDL_SCANCODE_Z, false);
  Key(SDL_SCANCODE_BACKSPACE, true, false, SDLK_BACKSPACE);
  FlushKeys();
  Key(SDL_SCANCODE_BACKSPACE, true, true, SDLK_BACKSPACE);
  Key(SDL_SCANCODE_RETURN, true, false, SDLK_RETURN);
  take();
  EXPECT_EQ(typed, "aa\r");
  Key(SDL_SCANCODE_BACKSPACE, false);
  Key(SDL_SCANCODE_RETURN, false);
  // Z let go before the second flush: pressed again, it types and repeats.
  Key(SDL_SCANCODE_Z, true, false, SDLK_z);
  Text("z");
  Key(SDL_SCANCODE_Z, true, true, SDLK_z);
  Text("z");
  take();
  EXPECT_EQ(typed, "aa\rzz");
}

}  // namespace
