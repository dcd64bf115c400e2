// The room title in a played game of the player's own level: the box on a
// small display, and titles typed in the editor as the saved level file
// gives them back.
#include <filesystem>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "editor_game_util.h"
#include "game/caption.h"
#include "game/game_state.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "level/rooms.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "startup/globals.h"

namespace {

using testgraphics::Op;

constexpr int kEnter = 13;
const char* const kFontFile = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

class RoomTitleTest : public gametest::EditorGameTest {
 protected:
  void SetUp() override {
    EditorGameTest::SetUp();
    MyScrw = 1920;
    MyScrh = 1080;
  }
  // The first rectangle drawn with its top-left corner at x, y.
  static testgraphics::DrawRecord RectAt(int x, int y) {
    for (const auto& r : testgraphics::DrawsOf(Op::Rect))
      if (r.x == x && r.y == y) return r;
    ADD_FAILURE() << "no rectangle at " << x << "," << y;
    return {};
  }
  static testgraphics::DrawRecord TextDraw(const std::string& text) {
    for (const auto& d : testgraphics::DrawsOf(Op::Text))
      if (d.text == text) return d;
    ADD_FAILURE() << "no text " << text;
    return {};
  }
};

TEST_F(RoomTitleTest, OnADisplayUnder900PixelsWideTheBoxIsTallerAndTheNoticeLarger) {
  // Face 1 at steps 1 to 3, told apart by their handles.
  ASSERT_TRUE(std::filesystem::exists(kFontFile));
  for (int step = 1; step <= 3; ++step) {
    Fontb[step] = LoadImageFont(kFontFile, 10 + 4 * step);
    ASSERT_NE(Fontb[step], 0);
  }
  struct Case {
    int32_t display;           // the real display's width
    gametest::ScreenSize screen;  // the virtual screen drawn into it
    int height;                // the box's outer height
    int noticeStep;
  };
  const std::vector<Case> cases = {
      {800, {1280, 960, 0}, 36, 2},    {899, {1600, 900, 160}, 36, 2}, {900, {1440, 900, 80}, 30, 1},
      {1920, {1280, 960, 0}, 30, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.display);
    MyScrw = c.display;
    UseScreen(c.screen);
    DrawnFrame();
    const int left = c.screen.basex;
    EXPECT_EQ(RectAt(left + 20, 25).h, c.height);  // the black frame
    EXPECT_EQ(RectAt(left + 22, 27).h, c.height - 4);  // the fill
    EXPECT_EQ(TextDraw(kCaptionNotice).font, Fontb[c.noticeStep]);
    EXPECT_EQ(TextDraw("start").font, Fontb[3]);  // the title keeps its size
  }
}

TEST_F(RoomTitleTest, TitlesTypedWhereNoRoomStoodAreSavedAsTheLevelReaderGivesThemBack) {
  OpenOverview();
  // Each typed at the next grid position to the right, none of which holds a room.
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"Cave", "Cave"},
      {"a</b", "a/b"},  // the file could not give "<" back
      {"\xe9t\xe9", "\xe9t\xe9"},
      {"  ", ""},  // blanks alone would come back as the whole line
  };
  for (const auto& [typed, saved] : cases) {
    Click(1030, 90);  // "Right"
    ASSERT_EQ(ThisRoom, EmptyRoom) << typed;
    Click(24, 31);  // the title box
    testbackend::TypeText(typed);
    for (size_t i = 0; i < typed.size(); ++i) PlayFrame();
    testbackend::TapKey(kEnter);
    PlayFrame();
    ASSERT_EQ(playstate.titleedit, 0) << typed;
  }
  PlayFrame();  // the save, with both buttons up
  EXPECT_EQ(EmptyRoom->title, "");

  GetLevel(kMyLevelFile);
  std::map<std::pair<int32_t, int32_t>, std::string> titles;
  for (const auto& r : rooms)
    if (r != EmptyRoom && !r->title.empty()) titles[{r->roomx, r->roomy}] = r->title;
  const std::map<std::pair<int32_t, int32_t>, std::string> want = {
      {{0, 0}, "Start"}, {{1, 0}, "Cave"}, {{2, 0}, "a/b"}, {{3, 0}, "\xe9t\xe9"}};
  EXPECT_EQ(titles, want);
  EXPECT_EQ(EmptyRoom->title, "");
}

}  // namespace
