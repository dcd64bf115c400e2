// The real game started on a copy of its folder whose main font was cut in
// half, or with a pipe in place of a picture or the main font: the log names
// the file and why, and the title screen still shows.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "e2e_util.h"

namespace {

using namespace e2e;

// Pixels of a window rectangle [x0, x1) x [y0, y1) light enough to be text:
// the title's backdrop there is dark blue stripes.
int LightPixels(const fs::path& png, int x0, int y0, int x1, int y1) {
  const int pix = LoadPixmapPNG(png.string());
  int n = 0;
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      const uint32_t p = ReadPixel(pix, x, y);
      if (((p >> 16) & 0xFF) >= 128 && ((p >> 8) & 0xFF) >= 128) ++n;
    }
  FreePixmap(pix);
  return n;
}

class DamagedDataEndToEnd : public GameRun {};

TEST_F(DamagedDataEndToEnd, HalfTheMainFontIsNamedInTheLogAndTheTitleStillShowsText) {
  ASSERT_TRUE(fs::exists(source / "duskmoor2"));
  const fs::path root = CopyGame(source, "damaged_data_e2e");
  const fs::path files = root / "Files";
  const fs::path font = files / "Common" / "LiberationSansNarrow-Bold.ttf";
  const std::string whole = ReadAll(font);
  ASSERT_GT(whole.size(), 10000u);
  {
    std::ofstream out(font, std::ios::binary | std::ios::trunc);
    out << whole.substr(0, whole.size() / 2);
  }
  const fs::path log = files / "Debug.txt";

  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_TRUE(Running(pid));
  // The pointer away from the logo and the text.
  input.MovePointer(790, 590);

  const std::string loaded = ReadAll(log);
  EXPECT_EQ(Count(loaded, "\tCould not load Common/LiberationSansNarrow-Bold.ttf (data ends early)\r\n"), 1u)
      << loaded;

  const fs::path shot = Screenshot(input, log, files);
  ASSERT_FALSE(shot.empty()) << ReadAll(log);
  KeepShot(shot, "title_screen_half_font.png");
  // "Press Start (Z) To Begin" stands at the middle of the 800x600 window,
  // right of the credits box and between the logo and the pack titles.
  EXPECT_GT(LightPixels(shot, 300, 280, 500, 320), 20);

  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));
  fs::remove_all(root);
}

// A pipe nobody writes to in place of data files: the loading neither waits
// on it nor opens it, the title screen shows, the log names each file as a
// pipe, and the game ends as usual through its farewell, which shows the
// logo too.
class PipedDataEndToEnd : public GameRun, public ::testing::WithParamInterface<std::vector<std::string>> {};

TEST_P(PipedDataEndToEnd, IsNamedInTheLogAndTheTitleShows) {
  ASSERT_TRUE(fs::exists(source / "duskmoor2"));
  const std::vector<std::string>& piped = GetParam();
  const fs::path root = CopyGame(source, "piped_data_e2e");
  const fs::path files = root / "Files";
  for (const std::string& name : piped) {
    fs::remove(files / name);
    ASSERT_EQ(mkfifo((files / name).c_str(), 0666), 0) << name;
  }
  const fs::path log = files / "Debug.txt";

  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << ReadAll(log);
  ASSERT_TRUE(Running(pid));
  const std::string loaded = ReadAll(log);
  for (const std::string& name : piped)
    EXPECT_EQ(Count(loaded, "\tCould not load " + name + " (a named pipe)\r\n"), 1u) << loaded;
  ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, pid));
  for (const std::string& name : piped) {
    struct stat st{};
    EXPECT_TRUE(lstat((files / name).c_str(), &st) == 0 && S_ISFIFO(st.st_mode)) << name;
  }
  fs::remove_all(root);
}

INSTANTIATE_TEST_SUITE_P(Logos, PipedDataEndToEnd,
                         ::testing::Values(std::vector<std::string>{"Common/logo.png", "256/logo.png"}));
INSTANTIATE_TEST_SUITE_P(MainFont, PipedDataEndToEnd,
                         ::testing::Values(std::vector<std::string>{"Common/LiberationSansNarrow-Bold.ttf"}));

}  // namespace
