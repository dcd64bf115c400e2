// The heads-up display of the real game at the three screen shapes: each run
// gets an X server whose only mode has the shape asked for, a Setup.ini that
// asks for that mode, and real keys that start the starter level; a
// screenshot of play must show the dark blue panels at their places and the
// green score.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <ostream>
#include <string>

#include "e2e_util.h"
#include "platform/graphics.h"

namespace {

using namespace e2e;

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
    server = std::make_unique<ServerScope>(GetParam().shape.w, GetParam().shape.h);
    if (!server->Started()) GTEST_SKIP() << "no X server could be started";
    input = std::make_unique<FakeInput>();
    if (!input->Ready()) GTEST_SKIP() << "XTest or DAMAGE is not available";
  }
  void TearDown() override {
    EndLeftoverGames();
    // The keys go before their server does.
    input.reset();
    server.reset();
  }

  fs::path source;
  std::unique_ptr<ServerScope> server;
  std::unique_ptr<FakeInput> input;
};

TEST_P(HudEndToEnd, PlayShowsThePanelsAndTheScore) {
  const Case& c = GetParam();
  ASSERT_TRUE(fs::exists(source / "Files" / "256" / "gfx.png")) << "the game data is not generated";

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
  ASSERT_TRUE(WaitForTitle(*input, log)) << ReadAll(log);
  EXPECT_NE(ReadAll(log).find("\tResolution : " + w + "x" + h + ","), std::string::npos) << ReadAll(log);
  ASSERT_TRUE(Running(pid));

  // Start (Z) on the title; Z again skips the map once it is fully shown.
  input->Tap(kLetterZ);
  ASSERT_TRUE(input->WaitFrames(kMapFadeFrames));
  input->Tap(kLetterZ);
  ASSERT_TRUE(input->WaitFrames(kMapFadeFrames + kFramesPerAction));
  // A few steps to the right.
  input->Press(kRight);
  ASSERT_TRUE(input->WaitFrames(10));
  input->Release(kRight);
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
  // the farewell screen, which a key ends.
  input->Tap(kEscape);
  input->Tap(kDown);
  input->Tap(kSpace);
  ASSERT_TRUE(WaitForNameEntry(*input));
  input->Tap(kReturn);
  ASSERT_TRUE(WaitFor([&] { return fs::exists(files / "256" / "scores.dat"); }));
  ASSERT_TRUE(input->WaitFrames(kTitleFrames));
  input->Tap(kEscape);
  ASSERT_TRUE(WaitForText(log, "Play again, soon!!\r\n")) << ReadAll(log);
  ASSERT_TRUE(input->WaitFrames(kFramesPerAction)) << "the farewell screen did not wait for a key";
  input->Tap(kLetterA);
  const int status = WaitForExit(pid);
  if (status < 0) kill(pid, SIGKILL);
  EXPECT_EQ(status, 0) << ReadAll(log);
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
