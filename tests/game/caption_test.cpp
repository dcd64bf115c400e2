// The caption: the notice, the room title box, typing into a title and its
// ends, and the autosave of the player's own level.
#include <filesystem>
#include <string>
#include <vector>

#include "framework/globals.h"
#include "game/autosave.h"
#include "game/caption.h"
#include "game/game_state.h"
#include "game_test_util.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "level/rooms.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/list.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

namespace {

using gametest::GameTest;
using testgraphics::Op;
namespace fs = std::filesystem;

constexpr int kBackspace = 8, kEnter = 13, kDelete = 46;

class CaptionTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    JScrw = 1280;
    JScrh = 960;
    MyScrw = 1280;
    playstate = PlayState{};
    playstate.basey = 1;
    room = gametest::FreshLevel(true);
    editmode = 0;
    mx = my = 0;
  }

  // The pointer inside the box's fill (its left part) or well away from it.
  void PointAtBox() {
    mx = playstate.basex + 24;
    my = playstate.basey + 30;
  }
  void PointAway() {
    mx = 700;
    my = 700;
  }
  // One frame of the caption, with the mouse button held or not. The button
  // goes down once and stays down over the frames that hold it, as a mouse
  // reports it.
  void Frame(bool leftDown = false) {
    if (leftDown && !leftHeld) testbackend::PressMouse(1);
    if (!leftDown && leftHeld) testbackend::ReleaseMouse(1);
    leftHeld = leftDown;
    testgraphics::ClearDraws();
    Caption();
  }
  // The time of a frame passes and the frame ends: keys held down repeat.
  static void EndFrame() {
    testbackend::AdvanceClock(17);
    testbackend::EndFrame();
  }
  std::vector<testgraphics::DrawRecord> Rects() { return testgraphics::DrawsOf(Op::Rect); }

  std::shared_ptr<layout> room;
  bool leftHeld = false;
};

TEST_F(CaptionTest, TheNoticeIsAlwaysDrawnAndTheBoxOnlyForATitleOrTheOverview) {
  Frame();
  auto texts = testgraphics::DrawsOf(Op::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, kCaptionNotice);
  EXPECT_EQ(texts[0].r, 0);
  EXPECT_EQ(static_cast<int>(texts[1].x), 640 - TextWidth(kCaptionNotice) / 2);
  EXPECT_EQ(static_cast<int>(texts[0].x), 641 - TextWidth(kCaptionNotice) / 2);
  EXPECT_TRUE(Rects().empty());

  playstate.overview = 1;
  Frame();
  ASSERT_EQ(Rects().size(), 3u);
  EXPECT_EQ(testgraphics::DrawsOf(Op::Text).back().text, " ");

  playstate.overview = 0;
  room->title = "The Cave";
  Frame();
  EXPECT_EQ(testgraphics::DrawsOf(Op::Text).back().text, "the cave");
  EXPECT_EQ(room->title, "The Cave");
}

TEST_F(CaptionTest, TheTitleShowsInSmallLettersAccentedCapitalsIncluded) {
  struct Case {
    std::string title, shown;
  };
  const std::vector<Case> cases = {
      {"Hall", "hall"},
      {"\xC9TANG \xC0 L'\xD8ST", "\xE9tang \xE0 l'\xF8st"},
      {"\xDEING \xD7 2", "\xFEing \xD7 2"},  // the multiplication sign is no letter
  };
  for (const Case& c : cases) {
    room->title = c.title;
    Frame();
    EXPECT_EQ(testgraphics::DrawsOf(Op::Text).back().text, c.shown) << c.title;
    EXPECT_EQ(room->title, c.title);
  }
}

TEST_F(CaptionTest, TheBoxFollowsTheViewOffsetAndShowsItsStateInTheFill) {
  room->title = "Hall";
  struct Case {
    int basex;
    bool hover;
    bool typing;
    int r, g, b;
  };
  const std::vector<Case> cases = {
      {0, false, false, 255, 255, 255}, {160, true, false, 0, 255, 255}, {80, false, true, 255, 255, 0},
      {0, true, true, 255, 255, 0},
  };
  for (const Case& c : cases) {
    playstate.basex = c.basex;
    playstate.titleedit = c.typing ? 1 : 0;
    if (c.hover) PointAtBox();
    else PointAway();
    Frame();
    const auto rects = Rects();
    ASSERT_EQ(rects.size(), 3u);
    const int w = TextWidth("hall");
    // Frame, shadow, then the fill that is also the click area.
    EXPECT_EQ(rects[0].x, c.basex + 20);
    EXPECT_EQ(rects[0].y, 25);
    EXPECT_EQ(rects[0].w, w + 12);
    EXPECT_EQ(rects[0].h, 30);
    EXPECT_FLOAT_EQ(rects[1].alpha, 0.35f);
    EXPECT_EQ(rects[1].x, c.basex + 26);
    EXPECT_EQ(rects[2].x, c.basex + 22);
    EXPECT_EQ(rects[2].y, 27);
    EXPECT_EQ(rects[2].w, w + 8);
    EXPECT_EQ(rects[2].h, 26);
    EXPECT_EQ((std::vector<int>{rects[2].r, rects[2].g, rects[2].b}), (std::vector<int>{c.r, c.g, c.b}))
        << c.basex;
    const auto text = testgraphics::DrawsOf(Op::Text).back();
    EXPECT_EQ(text.x, c.basex + 26);
    EXPECT_EQ(text.y, 29);
  }
}

TEST_F(CaptionTest, TypingTakesOneCharacterAFrameAndEndsWithEnterOrAClickAway) {
  room->title = "Ca";
  pla->gx = 1;
  PointAtBox();
  testbackend::TypeText("x");  // typed before the click: flushed
  Frame(true);
  EXPECT_EQ(playstate.titleedit, 1);
  EXPECT_EQ(pla->gx, 0);
  Frame();
  EXPECT_EQ(room->title, "Ca");
  testbackend::TypeText("ve<\xe9");
  for (int i = 0; i < 4; ++i) Frame();
  // "<" cannot be stored in the level file and is left out.
  EXPECT_EQ(room->title, "Cave\xe9");
  EXPECT_EQ(playstate.unsaved, 0);
  testbackend::TapKey(kEnter);
  Frame();
  EXPECT_EQ(playstate.titleedit, 0);
  EXPECT_EQ(playstate.unsaved, 1);

  playstate.unsaved = 0;
  Frame(true);  // a click away while not typing changes nothing
  EXPECT_EQ(playstate.unsaved, 0);
  PointAtBox();
  Frame(true);
  PointAway();
  Frame(true);
  EXPECT_EQ(playstate.titleedit, 0);
  EXPECT_EQ(playstate.unsaved, 1);
}

TEST_F(CaptionTest, TheButtonHeldOnTheBoxDropsTypedKeysAndDraggedOffEndsTheTyping) {
  room->title = "Hall";
  PointAtBox();
  Frame(true);
  ASSERT_EQ(playstate.titleedit, 1);
  // Typed while the button stays down on the box: flushed in every frame.
  for (int i = 0; i < 3; ++i) {
    testbackend::TypeText("Q");
    Frame(true);
    EXPECT_EQ(room->title, "Hall") << i;
    EXPECT_EQ(playstate.titleedit, 1) << i;
  }
  // Dragged off the box with the button still down: the typing ends.
  PointAway();
  Frame(true);
  EXPECT_EQ(playstate.titleedit, 0);
  EXPECT_EQ(playstate.unsaved, 1);
  testbackend::TypeText("Z");
  Frame(true);
  Frame();
  Frame();
  EXPECT_EQ(room->title, "Hall");
}

TEST_F(CaptionTest, AKeyHeldWhenTypingStartsTypesOnlyOncePressedAgain) {
  constexpr int kZ = 90;
  room->title = "Hall";
  testbackend::PressKey(kZ);  // Fire, held in play
  EndFrame();
  PointAtBox();
  Frame(true);
  ASSERT_EQ(playstate.titleedit, 1);
  EndFrame();
  Frame();
  // Held for a second and a half: the key repeats all along.
  for (int i = 0; i < 90; ++i) {
    EndFrame();
    Frame();
  }
  EXPECT_EQ(room->title, "Hall");
  testbackend::ReleaseKey(kZ);
  EndFrame();
  Frame();
  testbackend::PressKey(kZ);
  Frame();
  EXPECT_EQ(room->title, "Hallz");
  // Held again, it repeats into the title.
  for (int i = 0; i < 40; ++i) {
    EndFrame();
    Frame();
  }
  testbackend::ReleaseKey(kZ);
  EXPECT_GT(room->title.size(), 6u);
  EXPECT_EQ(room->title.find_first_not_of('z', 4), std::string::npos) << room->title;
}

TEST_F(CaptionTest, DeleteBeforeBackspaceAndOneCharacterAFrame) {
  room->title = "abcd";
  playstate.titleedit = 1;
  PointAtBox();
  testbackend::TapKey(kBackspace);
  testbackend::TapKey(kBackspace);
  testbackend::TapKey(kDelete);
  Frame();
  EXPECT_EQ(room->title, "abc");  // Delete taken; Backspace waits
  Frame();
  EXPECT_EQ(room->title, "ab");  // two Backspace presses remove one character
  Frame();
  EXPECT_EQ(room->title, "ab");
  room->title = "a";
  testbackend::TapKey(kBackspace);
  playstate.overview = 1;
  Frame();
  EXPECT_EQ(room->title, "");
  EXPECT_EQ(playstate.titleedit, 1);
}

TEST_F(CaptionTest, TypingNeverStaysOnWithTheBoxHidden) {
  room->title = "x";
  playstate.titleedit = 1;
  PointAtBox();
  testbackend::TapKey(kBackspace);
  Frame();
  EXPECT_EQ(room->title, "");
  // The box is gone outside the overview: typing ends at once.
  Frame();
  EXPECT_EQ(playstate.titleedit, 0);
  EXPECT_EQ(playstate.unsaved, 1);

  // Moving to a room without a title ends it too.
  room->title = "Hall";
  playstate.titleedit = 1;
  playstate.unsaved = 0;
  ThisRoom = EmptyRoom;
  Frame();
  EXPECT_EQ(playstate.titleedit, 0);
  EXPECT_EQ(playstate.unsaved, 1);
}

TEST_F(CaptionTest, ATitleOfBlanksBecomesEmptyWhenTypingEnds) {
  room->title = "";
  playstate.overview = 1;
  playstate.titleedit = 1;
  PointAtBox();
  testbackend::TypeText("  ");
  Frame();
  Frame();
  EXPECT_EQ(room->title, "  ");
  testbackend::TapKey(kEnter);
  Frame();
  EXPECT_EQ(room->title, "");
}

TEST_F(CaptionTest, TypingAtAnEmptyGridPositionInTheEditorMakesTheRoom) {
  editmode = 1;
  playstate.overview = 1;
  pla->roomx = 3;
  pla->roomy = 2;
  ThisRoom = EmptyRoom;
  PointAtBox();
  Frame(true);
  ASSERT_NE(ThisRoom, EmptyRoom);
  EXPECT_EQ(ThisRoom->roomx, 3);
  EXPECT_EQ(ThisRoom->roomy, 2);
  testbackend::TypeText("Cave");
  for (int i = 0; i < 4; ++i) Frame();
  testbackend::TapKey(kEnter);
  Frame();
  EXPECT_EQ(ThisRoom->title, "Cave");
  EXPECT_EQ(EmptyRoom->title, "");
  EXPECT_EQ(CountList(rooms), 3);
}

class AutoSaveTest : public CaptionTest {
 protected:
  void SetUp() override {
    CaptionTest::SetUp();
    editmode = 1;
    Uselevel = std::make_shared<game>();
    Uselevel->name = "My Level.xml";
    Uselevel->Title = "xx - Your Level";
    path = Paths.levels + Uselevel->name;
    room->StyleTop = 1;
    room->StyleBot = 2;
    room->BGTop = 1;
    room->obj[RoomCell(1, 0, 5)] = room->objEdit[RoomCell(1, 0, 5)] = 42;
    ClearList(comments);
  }
  int NotSavedComments() {
    int count = 0;
    for (const auto& c : comments) count += c->txt == "Level not saved";
    return count;
  }
  std::string path;
};

TEST_F(AutoSaveTest, WritesOnlyWithBothButtonsUpInTheOwnLevel) {
  playstate.unsaved = 1;
  testbackend::PressMouse(2);
  AutoSave();
  EXPECT_FALSE(fs::exists(path));
  testbackend::ReleaseMouse(2);
  testbackend::PressMouse(1);
  AutoSave();
  EXPECT_FALSE(fs::exists(path));
  testbackend::ReleaseMouse(1);
  editmode = 0;
  AutoSave();
  EXPECT_FALSE(fs::exists(path));
  EXPECT_EQ(playstate.unsaved, 1);
  editmode = 1;
  AutoSave();
  ASSERT_TRUE(fs::exists(path));
  EXPECT_EQ(playstate.unsaved, 0);
  GetLevel(Uselevel->name);
  bool found = false;
  for (const auto& r : rooms) found = found || (r != EmptyRoom && r->objEdit[RoomCell(1, 0, 5)] == 42);
  EXPECT_TRUE(found);
}

TEST_F(AutoSaveTest, AFailedSaveKeepsTheMarkTellsOnceAndRetriesEverySecond) {
  fs::create_directories(path);  // a folder where the file should go
  playstate.unsaved = 1;
  testbackend::SetClock(10000);
  AutoSave();
  EXPECT_EQ(playstate.unsaved, 1);
  EXPECT_EQ(NotSavedComments(), 1);
  testbackend::AdvanceClock(500);
  AutoSave();
  AutoSave();
  EXPECT_EQ(NotSavedComments(), 1);
  fs::remove_all(path);
  testbackend::AdvanceClock(400);
  AutoSave();
  EXPECT_FALSE(fs::exists(path));  // not yet a second since the failure
  testbackend::AdvanceClock(100);
  AutoSave();
  EXPECT_TRUE(fs::is_regular_file(path));
  EXPECT_EQ(playstate.unsaved, 0);
  EXPECT_EQ(NotSavedComments(), 1);
}

TEST_F(AutoSaveTest, EditsLeftUnsavedAreWrittenAtTheEnd) {
  playstate.unsaved = 1;
  testbackend::PressMouse(1);  // the stroke's button still held at the quit
  SaveUnsavedEdits();
  EXPECT_TRUE(fs::is_regular_file(path));
  EXPECT_EQ(playstate.unsaved, 0);
  fs::remove(path);
  editmode = 0;
  playstate.unsaved = 1;
  SaveUnsavedEdits();
  EXPECT_FALSE(fs::exists(path));
}

}  // namespace
