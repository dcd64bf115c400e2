// The real game from the title screen into play and back: the start control
// starts a game on the first pack (the starter level), its map screen shows
// the level's destination, play frames run, and Esc, Quit returns to the
// title screen, from which Esc leads to the farewell screen. The play
// screenshot shows the starter room: its backdrops, a wall and its gems;
// Right and the jump control then move the player.
#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>

#include "e2e_util.h"
#include "platform/graphics.h"

namespace {

using namespace e2e;

// The brightest channel of any pixel in the window rectangle [x0, x1) x [y0, y1).
int Brightest(const fs::path& png, int x0, int y0, int x1, int y1) {
  const int pix = LoadPixmapPNG(png.string());
  int most = 0;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const uint32_t p = ReadPixel(pix, x, y);
      most = std::max({most, static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255),
                       static_cast<int>(p & 255)});
    }
  }
  FreePixmap(pix);
  return most;
}

// Pixels of the window rectangle [x0, x1) x [y0, y1) for which `test`
// (given red, green, blue) holds, and how many colours the rectangle has.
struct Census {
  int matching = 0;
  size_t colours = 0;
};
template <class Test>
Census Survey(const fs::path& png, int x0, int y0, int x1, int y1, Test test) {
  const int pix = LoadPixmapPNG(png.string());
  Census c;
  std::set<uint32_t> seen;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) {
      const uint32_t p = ReadPixel(pix, x, y);
      seen.insert(p & 0xFFFFFFu);
      if (test(static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255), static_cast<int>(p & 255)))
        ++c.matching;
    }
  }
  FreePixmap(pix);
  c.colours = seen.size();
  return c;
}

// Where the map screen marks a level's end point (map pixels ex, ey) in the
// 800x600 window, which shows the 1280x960 virtual screen at 5/8.
struct Box {
  int x0, y0, x1, y1;
};
Box MarkerBox(int ex, int ey) {
  const int vx = 1280 / 2 - 672 + 7 * ex - 16;
  const int vy = 960 / 2 - 504 + 7 * ey - 16;
  return {vx * 5 / 8, vy * 5 / 8, (vx + 32) * 5 / 8, (vy + 64) * 5 / 8};
}

class PlayEndToEnd : public GameRun {};

TEST_F(PlayEndToEnd, StartPlaysTheStarterLevelAndQuitReturnsToTheTitle) {
  ASSERT_TRUE(fs::exists(source / "Files" / "256" / "map.png")) << "the game data is not generated";
  const fs::path root = CopyGame(source, "play_e2e");
  const fs::path files = root / "Files";
  const fs::path levels = root / "DuskmoorII_Levels";
  const fs::path log = files / "Debug.txt";
  const fs::path starter = levels / "01 - Into the Moor.xml";
  ASSERT_TRUE(fs::exists(starter));
  ASSERT_FALSE(fs::exists(levels / "My Level.xml"));
  const std::string starter_bytes = ReadAll(starter);
  fs::remove(files / "256" / "scores.dat");

  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  // The loading hold, then the title's slide-in.
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_TRUE(Running(pid));
  // The scan before the title has written the player's own level beside the
  // starter level.
  EXPECT_EQ(ReadAll(levels / "My Level.xml").size(), 830u);
  input.MovePointer(400, 300);
  const fs::path title = Screenshot(input, log, files);
  ASSERT_FALSE(title.empty()) << ReadAll(log);
  KeepShot(title, "play_title.png");

  // Start (Z): the map screen of the first pack fades in.
  input.Tap(kLetterZ);
  ASSERT_TRUE(input.WaitFrames(kMapFadeFrames));
  ASSERT_TRUE(Running(pid));
  // The destination marker stands on the starter level's end point (66,84),
  // not on the player's level's (100,100); the map itself is drawn dimmed.
  const Box here = MarkerBox(66, 84);
  const Box there = MarkerBox(100, 100);
  const fs::path map = Screenshot(input, log, files);
  ASSERT_FALSE(map.empty()) << ReadAll(log);
  KeepShot(map, "play_map.png");
  EXPECT_GT(Brightest(map, here.x0, here.y0, here.x1, here.y1), 200);
  EXPECT_LE(Brightest(map, there.x0, there.y0, there.x1, there.y1), 160);
  EXPECT_NE(Area(map, 0, 0, 800, 600), Area(title, 0, 0, 800, 600));

  // Fire again skips the rest of the map (it fades out); play frames follow.
  input.Tap(kLetterZ);
  ASSERT_TRUE(input.WaitFrames(kMapFadeFrames + kFramesPerAction));
  ASSERT_TRUE(Running(pid));
  const fs::path play = Screenshot(input, log, files);
  ASSERT_FALSE(play.empty()) << ReadAll(log);
  KeepShot(play, "play_frame.png");
  EXPECT_NE(Area(play, 0, 0, 800, 600), Area(map, 0, 0, 800, 600));
  // The room fills the window down to the heads-up display (virtual y 1 to
  // 896 at 5/8): the backdrops of both halves with the room's cells on them.
  const auto any = [](int, int, int) { return true; };
  EXPECT_GT(Survey(play, 0, 0, 800, 560, any).colours, 40u) << "the room is not drawn";
  // The starter room's first gem (column 6 of the top half, a sprite 43
  // room pixels below the top): blue on the green of the moor.
  const auto blue = [](int r, int, int b) { return b > 150 && b > r + 60; };
  EXPECT_GT(Survey(play, 211, 189, 245, 259, blue).matching, 20);
  EXPECT_EQ(Survey(play, 246, 189, 280, 259, blue).matching, 0) << "nothing lies between the gems";
  // Its wall (column 0 of the top half) hides the green hills of the
  // backdrop that show in the column beside it.
  const auto green = [](int r, int g, int b) { return g > r + 30 && g > b + 30; };
  EXPECT_GT(Survey(play, 36, 150, 70, 260, green).matching, 200);
  EXPECT_EQ(Survey(play, 0, 1, 34, 279, green).matching, 0);
  // Half a second of frames later the starter room's bat (set off from
  // column 7 of the bottom half) has flown on: the bottom half's row of
  // sprites, virtual y 750 to 862, differs.
  ASSERT_TRUE(input.WaitFrames(30));
  ASSERT_TRUE(Running(pid));
  const fs::path later = Screenshot(input, log, files);
  ASSERT_FALSE(later.empty()) << ReadAll(log);
  KeepShot(later, "play_frame_later.png");
  EXPECT_NE(Area(later, 0, 468, 800, 540), Area(play, 0, 468, 800, 540)) << "the bat has not moved";

  // Right held and the jump control (X) pressed: Imra runs and leaps off
  // the spot where she stood (x 20 of the top half: window x 87 to 122,
  // up to a jump's height above y 189 to 259), while the wall beside it
  // stays as it was.
  input.Press(kRight);
  input.Tap(kLetterX);
  const fs::path moved = Screenshot(input, log, files);
  input.Release(kRight);
  ASSERT_FALSE(moved.empty()) << ReadAll(log);
  KeepShot(moved, "play_moved.png");
  EXPECT_NE(Area(moved, 80, 110, 130, 265), Area(play, 80, 110, 130, 265)) << "the player did not move";
  EXPECT_EQ(Area(moved, 0, 1, 34, 279), Area(play, 0, 1, 34, 279));
  ASSERT_TRUE(Running(pid));

  // Esc opens the pause menu; Down selects Quit and Space takes it.
  input.Tap(kEscape);
  input.Tap(kDown);
  input.Tap(kSpace);
  // The last picture holds, then the name entry asks for the player's name;
  // Return confirms it, and the game is in scores.dat at once.
  ASSERT_TRUE(WaitForNameEntry(input));
  ASSERT_TRUE(Running(pid));
  const fs::path naming = Screenshot(input, log, files);
  ASSERT_FALSE(naming.empty()) << ReadAll(log);
  KeepShot(naming, "play_name_entry.png");
  input.Tap(kReturn);
  ASSERT_TRUE(WaitFor([&] { return Count(ReadAll(files / "256" / "scores.dat"), "\r\n") == 2; }))
      << ReadAll(files / "256" / "scores.dat");
  // The title slides in again, on the same pack.
  ASSERT_TRUE(input.WaitFrames(kTitleFrames));
  ASSERT_TRUE(Running(pid));
  const fs::path back = Screenshot(input, log, files);
  ASSERT_FALSE(back.empty()) << ReadAll(log);
  KeepShot(back, "play_back_at_title.png");
  EXPECT_EQ(Area(back, 300, 405, 590, 530), Area(title, 300, 405, 590, 530));

  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));

  // Playing a pack leaves its file as it was.
  EXPECT_EQ(ReadAll(starter), starter_bytes);
  EXPECT_GE(Count(ReadAll(log), "\tSaved Screenshot 1\r\n"), 4u);
  fs::remove_all(root);
}

}  // namespace
