// The name entry after a game: typing, Backspace, refused characters, the
// three ways to confirm and the waits for release.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/test_util.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "game/end_of_play.h"
#include "game/game_state.h"
#include "game/game_test_util.h"
#include "game/play_game.h"
#include "level/level_browser.h"
#include "map/map_screen.h"
#include "platform/list.h"
#include "platform/core/input_state.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "scores/history.h"
#include "scores/name_entry.h"
#include "scores/score_records.h"
#include "scores_fixture.h"

using testgraphics::Op;

namespace {

constexpr int kBackspace = 8, kEnter = 13, kEsc = 27;

class NameEntryTest : public ScoresTest {
 protected:
  void SetUp() override {
    ScoresTest::SetUp();
    testutil::QuietPumpServices("the name entry");
    InGame = 0;
    DebugMode = 0;
  }
  // Runs `action` at the end of the n-th frame of the entry (1 = its first).
  static void AtFrame(int n, std::function<void()> action) {
    testbackend::InputAtFrame(testbackend::FrameCount() + n, std::move(action));
  }
  // The name texts drawn, one per frame, without their cursor.
  static std::vector<std::string> NamesDrawn() {
    std::vector<std::string> out;
    for (const auto& d : testgraphics::DrawsOf(Op::Text)) {
      if (d.text == "Enter Your Name") continue;
      std::string t = d.text;
      if (!t.empty() && (t.back() == '_' || t.back() == ' ')) t.pop_back();
      out.push_back(t);
    }
    return out;
  }
};

TEST_F(NameEntryTest, EnterAtOnceKeepsTheName) {
  AtFrame(1, [] { testbackend::TapKey(kEnter); });
  GetPlayerName();
  EXPECT_EQ(MyName, "Player");
  // Two frames: the one before the tap was seen and the confirming one.
  EXPECT_EQ(NamesDrawn(), (std::vector<std::string>{"Player", "Player"}));
}

TEST_F(NameEntryTest, TypingTakesOneCharacterAFrameAndRefusesBarsAndControls) {
  MyName = "Pl";
  AtFrame(1, [] {
    testbackend::TypeText("A|B");
    inputstate::Char(937);  // a character the history file cannot hold
    testbackend::TypeText(std::string("\t\x01 c\xe9", 6));
  });
  AtFrame(12, [] {
    testbackend::TapKey(kBackspace);
    testbackend::TapKey(kBackspace);  // two hits in one frame remove one character
  });
  AtFrame(14, [] { testbackend::TapKey(kEnter); });
  GetPlayerName();
  EXPECT_EQ(MyName, "PlAB c");
  const auto names = NamesDrawn();
  ASSERT_EQ(names.size(), 15u);
  EXPECT_EQ(names[1], "PlA");
  EXPECT_EQ(names[2], "PlA");  // "|" taken and refused
  EXPECT_EQ(names[3], "PlAB");
  EXPECT_EQ(names[8], "PlAB c\xe9");
  EXPECT_EQ(names[12], "PlAB c");
}

TEST_F(NameEntryTest, BackspaceOnAnEmptyNameAndAnEmptyNameAccepted) {
  MyName = "X";
  AtFrame(1, [] { testbackend::TapKey(kBackspace); });
  AtFrame(2, [] { testbackend::TapKey(kBackspace); });
  AtFrame(3, [] { testbackend::PressKey(kBackspace); });  // held: one hit only
  AtFrame(6, [] {
    testbackend::ReleaseKey(kBackspace);
    testbackend::TapKey(kEnter);
  });
  GetPlayerName();
  EXPECT_EQ(MyName, "");
}

TEST_F(NameEntryTest, ClickOrEscConfirmAndTheEntryWaitsForRelease) {
  struct Case {
    const char* what;
    std::function<void()> press;
    std::function<void()> release;
  } cases[] = {
      {"click", [] { testbackend::PressMouse(1); }, [] { testbackend::ReleaseMouse(1); }},
      {"Esc", [] { testbackend::PressKey(kEsc); }, [] { testbackend::ReleaseKey(kEsc); }},
      {"Enter held", [] { testbackend::PressKey(kEnter); }, [] { testbackend::ReleaseKey(kEnter); }},
  };
  for (const auto& c : cases) {
    MyName = "Bo";
    const int start = testbackend::FrameCount();
    // The confirming frame also takes the character typed with it.
    AtFrame(2, [&c] {
      testbackend::TypeText("b");
      c.press();
    });
    // Still held after the last frame: released after 200 more polls.
    bool released = false;
    int64_t release_at = -1;
    int32_t wait_began = 0;
    testbackend::SetInputPollHook([&](int64_t polls) {
      if (testbackend::FrameCount() == start + 3 && release_at < 0) {
        release_at = polls + 200;
        wait_began = testbackend::Clock();
      }
      if (release_at >= 0 && polls >= release_at && !released) {
        released = true;
        c.release();
      }
    });
    GetPlayerName();
    testbackend::SetInputPollHook({});
    EXPECT_EQ(MyName, "Bob") << c.what;
    EXPECT_EQ(testbackend::FrameCount() - start, 3) << c.what;
    EXPECT_TRUE(released) << c.what;
    // The wait sleeps 1 ms between its passes, each a fetch, a look for a
    // close request and three questions at most; the first three polls end
    // the last frame.
    EXPECT_GE(testbackend::Clock() - wait_began, (200 - 3) / 5) << c.what;
  }
}

TEST_F(NameEntryTest, InputFromPlayIsForgottenAndAHeldButtonWaitedOut) {
  testbackend::TypeText("zzz");
  testbackend::PressKey(kEsc);
  testbackend::TapKey(kEnter);
  // The left button held from play is still down: the entry waits until the
  // window system reports it let go, which it hears of only by fetching.
  testbackend::PressMouse(1);
  int64_t fetches_at_release = -1;
  testbackend::SetInputPollHook([&](int64_t polls) {
    if (polls == 200) {
      fetches_at_release = testbackend::InputFetches();
      testbackend::ReleaseMouse(1);
    }
  });
  AtFrame(2, [] { testbackend::TapKey(kEnter); });
  GetPlayerName();
  testbackend::SetInputPollHook({});
  EXPECT_EQ(MyName, "Player");
  EXPECT_EQ(NamesDrawn().size(), 3u);
  // A fetch on every pass of the wait (at most three questions, a fetch and
  // a look for a close request a pass).
  EXPECT_GE(fetches_at_release, 200 / 5);
}

TEST_F(NameEntryTest, AButtonPressedBeforeTheFirstFrameIsWaitedOut) {
  // Pressed right after the entry forgot the input, released 100 polls later.
  int64_t pressed_at = -1;
  testbackend::SetInputPollHook([&](int64_t polls) {
    if (pressed_at < 0) {
      pressed_at = polls;
      testbackend::PressMouse(1);
    } else if (polls == pressed_at + 100) {
      testbackend::ReleaseMouse(1);
    }
  });
  AtFrame(1, [] { testbackend::TapKey(kEnter); });
  GetPlayerName();
  testbackend::SetInputPollHook({});
  // The held button did not confirm the first frame.
  EXPECT_EQ(NamesDrawn().size(), 2u);
}

// Stands in for the farewell, which never returns: the entry is left at once.
struct RunEnded {
  bool stillHeld;
};

TEST_F(NameEntryTest, AHeldConfirmInEitherWaitDoesNotHoldOffAnEndRequest) {
  // The left button held from play into the entry's first wait, or Enter
  // held on after it confirmed the name (its last wait); then a termination
  // signal or a close request arrives, and the control stays down. The first
  // wait answers it as the frame pump does. The last wait stops and leaves
  // the request to the next wait or frame, for the game to be recorded
  // first. Only an entry that answered nothing sees the control let go,
  // after 5000 polls.
  struct Case {
    const char* what;
    bool atStart;
    bool signal;
  };
  const Case cases[] = {{"first wait, signal", true, true},
                        {"first wait, close request", true, false},
                        {"last wait, signal", false, true},
                        {"last wait, close request", false, false}};
  for (const Case& c : cases) {
    if (&c != cases) {
      TearDown();
      SetUp();
    }
    const auto held = [&c] { return c.atStart ? inputstate::MouseDown(1) != 0 : inputstate::KeyDown(kEnter) != 0; };
    PumpServices().finish = [&held] { throw RunEnded{held()}; };
    const auto request = [&c] {
      if (c.signal) testbackend::RequestSystemQuit();
      else testbackend::RequestClose();
    };
    const auto release = [&c] {
      if (c.atStart) testbackend::ReleaseMouse(1);
      else testbackend::ReleaseKey(kEnter);
    };
    const int start = testbackend::FrameCount();
    int64_t requestAt = -1, releaseAt = -1;
    if (c.atStart) {
      testbackend::PressMouse(1);
      request();
    } else {
      // Enter goes down at the end of the first frame; the second frame
      // takes the name, and the entry then waits for Enter to come up.
      AtFrame(1, [] { testbackend::PressKey(kEnter); });
    }
    testbackend::SetInputPollHook([&](int64_t polls) {
      if (releaseAt < 0) releaseAt = polls + 5000;
      // Well past the tail of the second frame's pump.
      if (!c.atStart && testbackend::FrameCount() == start + 2 && requestAt < 0) requestAt = polls + 50;
      if (polls == requestAt) request();
      if (polls == releaseAt) release();
    });
    bool ended = false, stillHeld = false;
    bool returnedHeld = false;
    try {
      GetPlayerName();
      returnedHeld = held();
      // Whatever waits or runs a frame next answers the kept request.
      WaitStep();
    } catch (const RunEnded& e) {
      ended = true;
      stillHeld = e.stillHeld;
    }
    testbackend::SetInputPollHook({});
    EXPECT_TRUE(ended) << c.what;
    EXPECT_TRUE(stillHeld) << c.what;
    EXPECT_EQ(returnedHeld, !c.atStart) << c.what;
    EXPECT_EQ(testbackend::FrameCount() - start, c.atStart ? 0 : 2) << c.what;
  }
}

TEST_F(NameEntryTest, AGameNamedWithEnterStillHeldIsRecordedAndSavedBeforeTheRunEnds) {
  // The player types the name and confirms with Enter, which is still down
  // when the system asks the game to end: the finished game is in the
  // history and in scores.dat when the way out runs.
  LoadScores();
  editmode = 0;
  InGame = 1;
  score = 4321;
  playstate.loopexit = 1;
  bool recorded = false;
  std::string onDisk;
  PumpServices().finish = [&] {
    for (const auto& r : Highscores) recorded = recorded || (r->Score == 4321 && r->Name == "Player7");
    onDisk = testutil::ReadBytes(ScoresFile());
    throw RunEnded{inputstate::KeyDown(kEnter) != 0};
  };
  // The entry's first frame comes after the hold that ends play.
  AtFrame(1, [] { testbackend::TypeText("7"); });
  AtFrame(2, [] { testbackend::PressKey(kEnter); });
  int64_t requestAt = -1;
  const int start = testbackend::FrameCount();
  testbackend::SetInputPollHook([&](int64_t polls) {
    if (requestAt < 0 && testbackend::FrameCount() == start + 3 && inputstate::KeyDown(kEnter)) requestAt = polls + 50;
    if (polls == requestAt) testbackend::RequestSystemQuit();
  });
  bool stillHeld = false;
  try {
    EndOfPlay();
    WaitStep();
  } catch (const RunEnded& e) {
    stillHeld = e.stillHeld;
  }
  testbackend::SetInputPollHook({});
  EXPECT_TRUE(stillHeld);
  EXPECT_TRUE(recorded);
  EXPECT_NE(onDisk.find("|Player7|"), std::string::npos) << onDisk;
}

TEST_F(NameEntryTest, AnEndRequestDuringTheHoldBeforeTheEntryIsAnsweredAtOnce) {
  // The last picture of a game stays up for a second and a half before the
  // entry; a termination signal or a close request that arrives meanwhile
  // ends the run there and then, as a frame would.
  for (const bool signal : {true, false}) {
    if (!signal) {
      TearDown();
      SetUp();
    }
    editmode = 0;
    InGame = 1;
    int32_t answeredAt = -1;
    PumpServices().finish = [&answeredAt] {
      answeredAt = testbackend::Clock();
      throw RunEnded{false};
    };
    const int32_t start = testbackend::Clock();
    const int frames = testbackend::FrameCount();
    if (signal) testbackend::RequestSystemQuit();
    else testbackend::RequestClose();
    EXPECT_THROW(EndOfPlay(), RunEnded) << signal;
    EXPECT_GE(answeredAt - start, 0) << signal;
    EXPECT_LE(answeredAt - start, 20) << signal;
    EXPECT_EQ(testbackend::FrameCount(), frames) << signal;
  }
}

TEST_F(NameEntryTest, FrameLayoutAndReseed) {
  MyName = "Ann";
  AtFrame(1, [] { testbackend::TapKey(kEnter); });
  GetPlayerName();
  EXPECT_EQ(RndSeed(), testbackend::Clock() == 0 ? 4660 : testbackend::Clock());
  // The last frame: backdrop stripes, title, name.
  std::vector<testgraphics::DrawRecord> frame;
  for (const auto& d : testgraphics::Draws()) {
    if (d.flip == 1) frame.push_back(d);
  }
  ASSERT_FALSE(frame.empty());
  EXPECT_EQ(frame[0].op, Op::Cls);
  std::vector<testgraphics::DrawRecord> stripes;
  for (const auto& d : frame) {
    if (d.op == Op::Rect) stripes.push_back(d);
  }
  ASSERT_EQ(stripes.size(), 97u);
  EXPECT_EQ(stripes[0].r, 49);
  EXPECT_EQ(stripes[0].b, 50);
  EXPECT_EQ(stripes[96].r, 1);
  EXPECT_EQ(stripes[96].b, 98);
  EXPECT_FLOAT_EQ(stripes[5].x, -100.0f);
  EXPECT_FLOAT_EQ(stripes[5].y, 150.0f);
  EXPECT_FLOAT_EQ(stripes[5].w, 1280.0f + 1800.0f);
  EXPECT_FLOAT_EQ(stripes[5].h, 30.0f);
  EXPECT_FLOAT_EQ(stripes[5].rotation, -45.0f);
  std::vector<testgraphics::DrawRecord> texts;
  for (const auto& d : frame) {
    if (d.op == Op::Text) texts.push_back(d);
  }
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "Enter Your Name");
  EXPECT_EQ(texts[0].g, 255);
  EXPECT_EQ(texts[0].r, 0);
  EXPECT_FLOAT_EQ(texts[0].rotation, 0.0f);
  EXPECT_EQ(texts[1].text.substr(0, 3), "Ann");
  // The name without its cursor is centred; the line is centred on 480.
  SetImageFont(Font[5]);
  EXPECT_FLOAT_EQ(texts[1].x, static_cast<float>(640 - TextWidth("Ann") / 2));
  EXPECT_FLOAT_EQ(texts[1].y, static_cast<float>(480 - TextHeight("Ann") / 2));
}

TEST_F(NameEntryTest, CursorBlinksEvery300Milliseconds) {
  AtFrame(80, [] { testbackend::TapKey(kEnter); });
  GetPlayerName();
  int shown = 0, hidden = 0;
  for (const auto& d : testgraphics::DrawsOf(Op::Text)) {
    if (d.text == "Player_") ++shown;
    if (d.text == "Player ") ++hidden;
  }
  EXPECT_GT(shown, 10);
  EXPECT_GT(hidden, 10);
  EXPECT_EQ(shown + hidden, 81);
}

// A game over with Fire (Z) held: the player dies with the key down and keeps
// it down for three seconds into the name entry, then lets go and presses
// Enter. The keyboard repeats Z all the while; none of it reaches the name.
class NameAfterPlayTest : public gametest::GameTest {
 protected:
  static constexpr int kFire = 90;
  void SetUp() override {
    GameTest::SetUp();
    KeyV[10] = kFire;
    MyName = "Player";
    ClearList(Highscores);
    gametest::WriteBytes(Paths.levels + "moor.xml",
                         "<title>Moor</title>\n<from>10,10</from>\n<to>20,20</to>\n"
                         "<room>\n<title>Start</title>\n<position>0,0</position>\n");
    Uselevel = std::make_shared<game>();
    Uselevel->name = "moor.xml";
    Uselevel->Title = "Moor";
    Uselevel->SX = Uselevel->SY = 10;
    Uselevel->EX = Uselevel->EY = 20;
  }
};

TEST_F(NameAfterPlayTest, FireHeldFromADeathIntoTheEntryTypesNothing) {
  int playFrames = 0;
  int32_t entryStart = 0;
  int nameFrames = 0;
  int letGoAt = 0;
  bool mapRunning = false;
  everyFrame = [&] {
    const bool inMap = mapstate.mapDone == 0 || mapRunning;
    mapRunning = mapstate.mapDone == 0;
    if (inMap) {
      // Fire skips the map once it is fully shown.
      if (mapstate.fadeTick == 0) testbackend::PressKey(kFire);
      else testbackend::ReleaseKey(kFire);
      return;
    }
    if (InGame == 1) {
      ++playFrames;
      if (playFrames == 2) testbackend::PressKey(kFire);
      if (playFrames == 10) pla->health = 0;
      return;
    }
    if (++nameFrames == 1) entryStart = testbackend::Clock();
    if (letGoAt == 0 && testbackend::Clock() - entryStart >= 3000) {
      testbackend::ReleaseKey(kFire);
      letGoAt = nameFrames;
    }
    if (letGoAt != 0 && nameFrames == letGoAt + 3) testbackend::TapKey(13);
  };
  InGame = 1;
  PlayGame();
  EXPECT_GT(playFrames, 10);
  EXPECT_GT(letGoAt, 100);
  ASSERT_EQ(CountList(Highscores), 1);
  EXPECT_EQ(Highscores.First()->Name, "Player");
  EXPECT_EQ(MyName, "Player");
}

}  // namespace
