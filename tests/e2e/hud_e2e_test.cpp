// The heads-up display of the real game at the three screen shapes: each run
// gets an X server whose only mode has the shape asked for, a Setup.ini that
// asks for that mode, and real keys that start the starter level; a
// screenshot of play must show the dark blue panels at their places and the
// green score.
#include <gtest/gtest.h>

#include <poll.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>

#include "e2e_util.h"
#include "platform/graphics.h"

namespace {

using namespace e2e;

constexpr unsigned long kRight = 0xff53;

struct Shape {
  int w, h;  // the display mode, which is also the virtual screen here
};

// A window rectangle [x0, x1) x [y0, y1).
struct Area {
  int x0, y0, x1, y1;
};

// The share of the rectangle's pixels that are exactly the panels' dark blue.
double DarkBlueShare(const fs::path& png, Area a) {
  const int pix = LoadPixmapPNG(png.string());
  int blue = 0;
  for (int y = a.y0; y < a.y1; ++y)
    for (int x = a.x0; x < a.x1; ++x) blue += (ReadPixel(pix, x, y) & 0xFFFFFFu) == 0x000050u;
  FreePixmap(pix);
  return static_cast<double>(blue) / ((a.x1 - a.x0) * (a.y1 - a.y0));
}

// Pixels of the rectangle that read as the score's green.
int GreenPixels(const fs::path& png, Area a) {
  const int pix = LoadPixmapPNG(png.string());
  int green = 0;
  for (int y = a.y0; y < a.y1; ++y) {
    for (int x = a.x0; x < a.x1; ++x) {
      const uint32_t p = ReadPixel(pix, x, y);
      green += ((p >> 16) & 255) < 60 && ((p >> 8) & 255) > 200 && (p & 255) < 60;
    }
  }
  FreePixmap(pix);
  return green;
}

struct Case {
  const char* name;
  Shape shape;
  Area panels[2];  // stretches of the panels that nothing else covers
  Area score;      // where the score is written
};

void PrintTo(const Case& c, std::ostream* os) { *os << c.shape.w << "x" << c.shape.h; }

class HudEndToEnd : public ::testing::TestWithParam<Case> {
 protected:
  void SetUp() override {
    const char* game_env = std::getenv("DUSKMOOR_GAME_DIR");
    ASSERT_NE(game_env, nullptr);
    source = game_env;
    if (const char* d = std::getenv("DISPLAY")) outer_display = d;
  }
  void TearDown() override {
    EndLeftoverGames();
    input.reset();
    if (!outer_display.empty()) setenv("DISPLAY", outer_display.c_str(), 1);
  }

  fs::path source;
  std::string outer_display;
  std::unique_ptr<FakeInput> input;
};

TEST_P(HudEndToEnd, PlayShowsThePanelsAndTheScore) {
  const Case& c = GetParam();
  ASSERT_TRUE(fs::exists(source / "Files" / "256" / "gfx.png")) << "the game data is not generated";
  OwnServer server(c.shape.w, c.shape.h);
  if (server.Display().empty()) GTEST_SKIP() << "no X server could be started";
  setenv("DISPLAY", server.Display().c_str(), 1);
  input = std::make_unique<FakeInput>();
  if (!input->Ready()) GTEST_SKIP() << "XTest is not available";

  const fs::path root = CopyGame(source, std::string("hud_e2e_") + c.name);
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";
  const std::string w = std::to_string(c.shape.w), h = std::to_string(c.shape.h);
  {
    std::ofstream ini(files / "Setup.ini", std::ios::binary);
    ini << "[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\nWidth=" << w << "\r\nHeight=" << h << "\r\n";
  }

  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForText(log, "Finished Loading\r\n", 180)) << ReadAll(log);
  EXPECT_NE(ReadAll(log).find("\tResolution : " + w + "x" + h + ","), std::string::npos) << ReadAll(log);
  Sleep(4000);
  ASSERT_TRUE(Running(pid));

  // Start (Z) on the title; Z again skips the map once it is fully shown,
  // which a busy machine reaches late, so Z goes on until play shows.
  input->Tap(kLetterZ);
  Sleep(2500);
  for (int attempt = 0; attempt < 15; ++attempt) {
    ASSERT_TRUE(Running(pid));
    input->Tap(kLetterZ);
    Sleep(2000);
    const fs::path look = Screenshot(*input, log, files);
    ASSERT_FALSE(look.empty()) << ReadAll(log);
    const bool playing = DarkBlueShare(look, c.panels[0]) >= 0.99;
    fs::remove(look);
    if (playing) break;
  }
  // A few steps to the right.
  input->Tap(kRight);
  Sleep(1000);
  ASSERT_TRUE(Running(pid));
  const fs::path play = Screenshot(*input, log, files);
  ASSERT_FALSE(play.empty()) << ReadAll(log);
  KeepShot(play, std::string("hud_") + c.name + ".png");

  const int pix = LoadPixmapPNG(play.string());
  EXPECT_EQ(PixmapWidth(pix), c.shape.w);
  EXPECT_EQ(PixmapHeight(pix), c.shape.h);
  FreePixmap(pix);
  for (const Area& a : c.panels) {
    SCOPED_TRACE(std::to_string(a.x0) + "," + std::to_string(a.y0));
    EXPECT_GE(DarkBlueShare(play, a), 0.99);
  }
  EXPECT_GT(GreenPixels(play, c.score), 200);

  // Esc, Quit, Return on the name entry back to the title, then Esc out to
  // the farewell screen. A key that a busy machine misses leaves the game in
  // play, in the pause menu, the name entry or on the title; going through
  // the steps again gets it out from each.
  bool farewell = false;
  for (int attempt = 0; attempt < 3 && !farewell; ++attempt) {
    input->Tap(kEscape);
    Sleep(500);
    input->Tap(kDown);
    input->Tap(kSpace);
    Sleep(2500);
    input->Tap(kReturn);
    Sleep(2500);
    input->Tap(kEscape);
    farewell = WaitForText(log, "Play again, soon!!\r\n", 20);
  }
  // The farewell screen ends on a key; a busy machine may still be fading
  // it in when the first one comes.
  int status = -1;
  for (int attempt = 0; attempt < 3 && status < 0; ++attempt) {
    Sleep(1000);
    input->Tap(kLetterA);
    status = WaitForExit(pid, 20);
  }
  if (status < 0) kill(pid, SIGKILL);
  EXPECT_TRUE(farewell) << ReadAll(log);
  EXPECT_EQ(status, 0) << ReadAll(log);
  // The keys go before their server does.
  input.reset();
  fs::remove_all(root);
}

// 4:3 gives the bar under the room; 16:9 and 16:10 the side panels. The
// panel stretches avoid the texts, keys and ammunition dots.
INSTANTIATE_TEST_SUITE_P(
    Widths, HudEndToEnd,
    ::testing::Values(Case{"1280", {1280, 960}, {{400, 897, 740, 960}, {740, 897, 1080, 905}}, {20, 900, 400, 930}},
                      Case{"1600", {1600, 900}, {{60, 0, 100, 900}, {1445, 385, 1598, 500}}, {5, 0, 60, 720}},
                      Case{"1440", {1440, 900}, {{50, 0, 80, 490}, {1362, 385, 1440, 695}}, {0, 0, 48, 720}}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string("Width") + info.param.name; });

}  // namespace
