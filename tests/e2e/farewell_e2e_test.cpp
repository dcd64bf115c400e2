// The thanks screen after sessions whose window fills an X screen of the same
// size: each run has an X server of its own, and the screen's pixels are read
// back while the farewell waits.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>

#include <cstdlib>
#include <string>

#include "e2e_util.h"

namespace {

using namespace e2e;

// The root window of the X server named by DISPLAY, read back pixel by pixel.
class ScreenReader {
 public:
  ScreenReader() {
    x11_ = dlopen("libX11.so.6", RTLD_NOW);
    if (!x11_) return;
    open_ = reinterpret_cast<void* (*)(const char*)>(dlsym(x11_, "XOpenDisplay"));
    close_ = reinterpret_cast<int (*)(void*)>(dlsym(x11_, "XCloseDisplay"));
    root_ = reinterpret_cast<unsigned long (*)(void*)>(dlsym(x11_, "XDefaultRootWindow"));
    image_ = reinterpret_cast<void* (*)(void*, unsigned long, int, int, unsigned, unsigned, unsigned long, int)>(
        dlsym(x11_, "XGetImage"));
    pixel_ = reinterpret_cast<unsigned long (*)(void*, int, int)>(dlsym(x11_, "XGetPixel"));
    if (open_ && close_ && root_ && image_ && pixel_) display_ = open_(nullptr);
  }
  ~ScreenReader() {
    if (display_) close_(display_);
    if (x11_) dlclose(x11_);
  }
  ScreenReader(const ScreenReader&) = delete;
  ScreenReader& operator=(const ScreenReader&) = delete;
  bool Ready() const { return display_ != nullptr; }
  // 0xRRGGBB of one screen pixel.
  unsigned long Pixel(int x, int y) {
    constexpr int kZPixmap = 2;
    void* img = image_(display_, root_(display_), x, y, 1, 1, ~0UL, kZPixmap);
    if (!img) return ~0UL;
    // The one-pixel image is left to the end of the process.
    return pixel_(img, 0, 0) & 0xFFFFFF;
  }

 private:
  void* x11_ = nullptr;
  void* display_ = nullptr;
  void* (*open_)(const char*) = nullptr;
  int (*close_)(void*) = nullptr;
  unsigned long (*root_)(void*) = nullptr;
  void* (*image_)(void*, unsigned long, int, int, unsigned, unsigned, unsigned long, int) = nullptr;
  unsigned long (*pixel_)(void*, int, int) = nullptr;
};

class FarewellRun : public ::testing::TestWithParam<int> {
 protected:
  void TearDown() override { EndLeftoverGames(); }
};

TEST_P(FarewellRun, ThanksScreenShowsWholeAfterAScreenFillingSession) {
  const char* game_env = std::getenv("DUSKMOOR_GAME_DIR");
  ASSERT_NE(game_env, nullptr);
  const int width = GetParam(), height = width * 3 / 4;
  // An X server of exactly the session's size.
  ServerScope server(width, height);
  if (!server.Started()) GTEST_SKIP() << "no X server could be started";
  FakeInput input;
  ScreenReader reader;
  if (!input.Ready() || !reader.Ready()) GTEST_SKIP() << "XTest, DAMAGE or the X library is not available";

  const fs::path root = CopyGame(game_env, "farewell_" + std::to_string(width));
  const fs::path files = root / "Files";
  {
    std::ofstream out(files / "Setup.ini", std::ios::binary);
    out << "[Graphics]\r\nWidth=" << width << "\r\nHeight=" << height << "\r\n";
  }
  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  const fs::path log = files / "Debug.txt";
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  EXPECT_NE(ReadAll(log).find("\tResolution : " + std::to_string(width) + "x" + std::to_string(height) + ",0"),
            std::string::npos);
  input.Tap(kEscape);
  ASSERT_TRUE(WaitForText(log, "Play again, soon!!\r\n"));
  // The thanks screen shows its picture again a few times a second while it
  // waits, so a few pictures on the window has settled at its size.
  ASSERT_TRUE(input.WaitFrames(kFramesPerAction)) << "the farewell screen did not wait for a key";
  // The 640x480 window stands in the middle of the screen: its corners
  // and centre show the dark blue background, and the logo at the top
  // left is drawn over it.
  const int left = (width - 640) / 2, top = (height - 480) / 2;
  for (const auto& [x, y] : {std::pair{8, 470}, std::pair{632, 470}, std::pair{632, 420}, std::pair{320, 460}}) {
    EXPECT_EQ(reader.Pixel(left + x, top + y), 0x000050u) << x << "," << y;
  }
  EXPECT_TRUE(Running(pid));
  input.Tap(kLetterA);
  const int status = WaitForExit(pid);
  if (status < 0) kill(pid, SIGKILL);
  EXPECT_EQ(status, 0);
  fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Sizes, FarewellRun, ::testing::Values(800, 1280),
                         [](const auto& info) { return std::to_string(info.param); });

}  // namespace
