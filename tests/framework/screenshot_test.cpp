#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "common/unread_pipe.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "framework/screenshot.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "settings/debug_log.h"
#include "startup/globals.h"

namespace {

namespace fs = std::filesystem;
using testgraphics::Op;

class ScreenshotTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testbackend::Reset();
    testutil::FreshGlobals();
    dir = fs::temp_directory_path() / ("duskmoor_shot_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                                       "_" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir);
    fs::create_directories(dir / "Files");
    Paths.data = (dir / "Files").string() + "/";
    OpenDebugLog((dir / "Debug.txt").string());
    SetLocalClockHook([] {
      LocalDateTime t;
      t.year = 2026, t.month = 12, t.day = 9, t.hour = 13, t.minute = 5, t.second = 7;
      return t;
    });
    ClearList(comments);
    MyScrw = 64, MyScrh = 48;
    JScrw = 1280, JScrh = 960;
    Font.fill(0);
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) screen.push_back(0xFF000000u | (x * 4u) << 16 | (y * 5u) << 8 | 0x40u);
    testgraphics::SetScreenPixels(64, 48, screen);
  }
  void TearDown() override {
    CloseDebugLog();
    SetLocalClockHook(nullptr);
    fs::remove_all(dir);
  }
  std::vector<std::string> LogLines() {
    CloseDebugLog();
    return testutil::CrlfLines(testutil::ReadBytes(dir / "Debug.txt"));
  }
  std::vector<std::string> Comments() {
    std::vector<std::string> out;
    for (const auto& m : comments) out.push_back(m->txt);
    return out;
  }

  fs::path dir;
  std::vector<uint32_t> screen;
  const std::string name = "Duskmoor II (Screenshot_09 Dec 2026_130507).png";
};

TEST_F(ScreenshotTest, WritesTheDisplayAsPng) {
  EXPECT_EQ(SaveScreenshot(), 0);
  const std::string path = Paths.data + name;
  ASSERT_EQ(FileType(path), 1);
  const int pix = LoadPixmapPNG(path);
  ASSERT_NE(pix, 0);
  EXPECT_EQ(PixmapWidth(pix), 64);
  EXPECT_EQ(PixmapHeight(pix), 48);
  for (int y = 0; y < 48; y += 7)
    for (int x = 0; x < 64; x += 5) EXPECT_EQ(ReadPixel(pix, x, y), screen[static_cast<size_t>(y) * 64 + x]) << x << "," << y;
  const std::vector<std::string> want = {"",
                                         "\tScreenshot",
                                         "\tGrabbing Screenshot",
                                         "\tSaving Screenshot : " + name,
                                         "\tSaved Screenshot 1",
                                         ""};
  EXPECT_EQ(LogLines(), want);
  EXPECT_EQ(Comments(), std::vector<std::string>{"Saved Screenshot"});
  // The grab comes before the notice, which is shown with the display's pacing.
  const auto& draws = testgraphics::Draws();
  ASSERT_GE(draws.size(), 3u);
  EXPECT_EQ(draws[0].op, Op::GrabPixmap);
  EXPECT_FLOAT_EQ(draws[0].w, 64);
  EXPECT_FLOAT_EQ(draws[0].h, 48);
  auto texts = testgraphics::DrawsOf(Op::Text);
  ASSERT_EQ(texts.size(), 2u);
  EXPECT_EQ(texts[0].text, "Saving Screenshot");
  EXPECT_FLOAT_EQ(texts[0].x, static_cast<float>(640 - static_cast<int>(texts[0].w) / 2));
  EXPECT_FLOAT_EQ(texts[0].y, static_cast<float>(450 - static_cast<int>(texts[0].h) / 2));
  EXPECT_EQ(texts[1].text, "Sometimes, this takes a while!");
  EXPECT_FLOAT_EQ(texts[1].y, static_cast<float>(510 - static_cast<int>(texts[1].h) / 2));
  EXPECT_EQ(testgraphics::FlipCount(), 1);
  EXPECT_EQ(testgraphics::LastFlipSync(), -1);
}

TEST_F(ScreenshotTest, TwoInOneSecondAreBothKept) {
  SaveScreenshot();
  SaveScreenshot();
  SaveScreenshot();
  EXPECT_EQ(FileType(Paths.data + name), 1);
  EXPECT_EQ(FileType(Paths.data + "Duskmoor II (Screenshot_09 Dec 2026_130507) 2.png"), 1);
  EXPECT_EQ(FileType(Paths.data + "Duskmoor II (Screenshot_09 Dec 2026_130507) 3.png"), 1);
  EXPECT_EQ(CountList(comments), 3);
}

TEST_F(ScreenshotTest, AFailedWriteIsNotReportedAsSaved) {
  Paths.data = (dir / "missing" / "folder").string() + "/";
  SaveScreenshot();
  auto lines = LogLines();
  ASSERT_EQ(lines.size(), 6u);
  EXPECT_EQ(lines[4], "\tSaved Screenshot 0");
  EXPECT_EQ(Comments(), std::vector<std::string>{"Screenshot failed"});
}

TEST_F(ScreenshotTest, ANameTakenByALinkOrAPipeIsPassedOver) {
  const std::string second = "Duskmoor II (Screenshot_09 Dec 2026_130507) 2.png";
  const fs::path files = dir / "Files";
  const fs::path gone = dir / "gone.png";
  {
    SCOPED_TRACE("a dangling link");
    fs::create_symlink(gone, files / name);
    SaveScreenshot();
    // Nothing was made through the link, and the picture went next to it.
    EXPECT_FALSE(fs::exists(fs::symlink_status(gone)));
    EXPECT_TRUE(fs::is_symlink(files / name));
    EXPECT_EQ(FileType((files / second).string()), 1);
    fs::remove(files / name);
    fs::remove(files / second);
  }
  {
    SCOPED_TRACE("a pipe");
    // Nobody reads it: opening it for writing would wait for good.
    testutil::UnreadPipe pipe((files / name).string());
    ASSERT_TRUE(pipe.Made());
    EXPECT_TRUE(pipe.Returns([] { SaveScreenshot(); })) << "waited on the pipe";
    struct stat st{};
    EXPECT_TRUE(::lstat((files / name).c_str(), &st) == 0 && S_ISFIFO(st.st_mode));
    EXPECT_EQ(FileType((files / second).string()), 1);
  }
  const int pix = LoadPixmapPNG((files / second).string());
  ASSERT_NE(pix, 0);
  EXPECT_EQ(PixmapWidth(pix), 64);
  EXPECT_EQ(ReadPixel(pix, 5, 7), screen[7 * 64 + 5]);
  EXPECT_EQ(Comments(), (std::vector<std::string>{"Saved Screenshot", "Saved Screenshot"}));
}

// What the process writes on standard error while it lives. A pipe takes
// it, not a file: a pipe is not held to the file size limit a case sets.
class StderrCatch {
 public:
  StderrCatch() {
    std::fflush(stderr);
    int fds[2];
    if (::pipe(fds) != 0) return;
    ::fcntl(fds[0], F_SETFL, O_NONBLOCK);
    ::fcntl(fds[1], F_SETFL, O_NONBLOCK);
    saved_ = ::dup(2);
    ::dup2(fds[1], 2);
    ::close(fds[1]);
    read_ = fds[0];
  }
  ~StderrCatch() { Restore(); }
  StderrCatch(const StderrCatch&) = delete;
  StderrCatch& operator=(const StderrCatch&) = delete;
  bool Catching() const { return read_ >= 0 && saved_ >= 0; }
  // Everything written so far; the catch ends.
  std::string Caught() {
    std::fflush(stderr);
    Restore();
    std::string out;
    char buf[4096];
    for (ssize_t n; read_ >= 0 && (n = ::read(read_, buf, sizeof buf)) > 0;) out.append(buf, static_cast<size_t>(n));
    return out;
  }

 private:
  void Restore() {
    if (saved_ < 0) return;
    ::dup2(saved_, 2);
    ::close(saved_);
    saved_ = -1;
  }
  int saved_ = -1;
  int read_ = -1;
};

// No file may grow past `bytes` while it lives: the system refuses the
// writes, as a full disk does.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    // Past the limit the system would end the process instead.
    old_signal_ = ::signal(SIGXFSZ, SIG_IGN);
    if (::getrlimit(RLIMIT_FSIZE, &old_) != 0) return;
    rlimit lower = old_;
    lower.rlim_cur = bytes;
    set_ = ::setrlimit(RLIMIT_FSIZE, &lower) == 0;
  }
  ~FileSizeLimit() {
    if (set_) ::setrlimit(RLIMIT_FSIZE, &old_);
    ::signal(SIGXFSZ, old_signal_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  bool Set() const { return set_; }

 private:
  rlimit old_{};
  bool set_ = false;
  sighandler_t old_signal_ = SIG_DFL;
};

// A disk that takes nothing, and one that fills part-way through the
// picture: no file is left behind, broken or empty, and nothing is said on
// the terminal; the log and the comment say the screenshot failed.
TEST_F(ScreenshotTest, AScreenshotTheDiskCannotTakeLeavesNoFileAndNothingOnTheTerminal) {
  // A picture that does not compress, far larger than the part that fits.
  MyScrw = 200, MyScrh = 200;
  screen.clear();
  uint32_t seed = 12345;
  for (int i = 0; i < 200 * 200; ++i) {
    seed = seed * 1103515245u + 12345u;
    screen.push_back(0xFF000000u | (seed >> 8));
  }
  testgraphics::SetScreenPixels(200, 200, screen);
  struct Case {
    rlim_t room;
    // Whether the log, which is written alongside, has room for its lines.
    bool logged;
  };
  for (const Case& c : {Case{0, false}, Case{8192, true}}) {
    SCOPED_TRACE("room for " + std::to_string(c.room) + " bytes");
    OpenDebugLog((dir / "Debug.txt").string());
    ClearList(comments);
    std::string said;
    {
      StderrCatch terminal;
      ASSERT_TRUE(terminal.Catching());
      {
        FileSizeLimit full(c.room);
        ASSERT_TRUE(full.Set());
        SaveScreenshot();
      }
      said = terminal.Caught();
    }
    EXPECT_EQ(said, "");
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(dir / "Files")) left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{});
    EXPECT_EQ(Comments(), std::vector<std::string>{"Screenshot failed"});
    if (c.logged) {
      const auto lines = LogLines();
      EXPECT_NE(std::find(lines.begin(), lines.end(), "\tSaved Screenshot 0"), lines.end());
    }
  }
  // With room again, the same screenshot is saved whole.
  OpenDebugLog((dir / "Debug.txt").string());
  SaveScreenshot();
  const int pix = LoadPixmapPNG(Paths.data + name);
  ASSERT_NE(pix, 0);
  EXPECT_EQ(ReadPixel(pix, 199, 199), screen.back());
}

TEST(SFW, FiltersUnsafeCharacters) {
  struct Case {
    std::string in, out;
  };
  for (const Case& c : {Case{"#',`.\\/:|*?\"", ""}, Case{"Plain (text)_-1", "Plain (text)_-1"},
                        Case{"a.b:c|d", "abcd"}, Case{"12:34:56", "123456"}, Case{"", ""}}) {
    EXPECT_EQ(SFW(c.in), c.out) << c.in;
  }
  EXPECT_EQ(ScreenshotName("01 Jan 2027", "00:00:59"), "Duskmoor II (Screenshot_01 Jan 2027_000059).png");
}

}  // namespace
