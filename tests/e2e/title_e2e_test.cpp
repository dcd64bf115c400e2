// The real game in a fresh copy of its folder under the running X server:
// start-up, title screen, settings written on Tab, a screenshot, Esc to the
// farewell screen and a key to end the process.
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/graphics.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// XTest through the system libraries, loaded at run time.
class FakeInput {
 public:
  FakeInput() {
    x11_ = dlopen("libX11.so.6", RTLD_NOW);
    xtst_ = dlopen("libXtst.so.6", RTLD_NOW);
    if (!x11_ || !xtst_) return;
    open_ = reinterpret_cast<void* (*)(const char*)>(dlsym(x11_, "XOpenDisplay"));
    close_ = reinterpret_cast<int (*)(void*)>(dlsym(x11_, "XCloseDisplay"));
    flush_ = reinterpret_cast<int (*)(void*)>(dlsym(x11_, "XFlush"));
    keycode_ = reinterpret_cast<unsigned char (*)(void*, unsigned long)>(dlsym(x11_, "XKeysymToKeycode"));
    key_ = reinterpret_cast<int (*)(void*, unsigned, int, unsigned long)>(dlsym(xtst_, "XTestFakeKeyEvent"));
    motion_ = reinterpret_cast<int (*)(void*, int, int, int, unsigned long)>(dlsym(xtst_, "XTestFakeMotionEvent"));
    button_ = reinterpret_cast<int (*)(void*, unsigned, int, unsigned long)>(dlsym(xtst_, "XTestFakeButtonEvent"));
    root_ = reinterpret_cast<unsigned long (*)(void*)>(dlsym(x11_, "XDefaultRootWindow"));
    tree_ = reinterpret_cast<int (*)(void*, unsigned long, unsigned long*, unsigned long*, unsigned long**, unsigned*)>(
        dlsym(x11_, "XQueryTree"));
    name_ = reinterpret_cast<int (*)(void*, unsigned long, char**)>(dlsym(x11_, "XFetchName"));
    free_ = reinterpret_cast<int (*)(void*)>(dlsym(x11_, "XFree"));
    translate_ = reinterpret_cast<int (*)(void*, unsigned long, unsigned long, int, int, int*, int*, unsigned long*)>(
        dlsym(x11_, "XTranslateCoordinates"));
    if (open_ && close_ && flush_ && keycode_ && key_ && motion_ && button_ && root_ && tree_ && name_ && free_ &&
        translate_)
      display_ = open_(nullptr);
  }
  ~FakeInput() {
    if (display_) close_(display_);
    if (xtst_) dlclose(xtst_);
    if (x11_) dlclose(x11_);
  }
  bool Ready() const { return display_ != nullptr; }

  void Tap(unsigned long keysym) {
    const unsigned code = keycode_(display_, keysym);
    key_(display_, code, 1, 0);
    flush_(display_);
    Sleep(150);
    key_(display_, code, 0, 0);
    flush_(display_);
    Sleep(300);
  }
  void Click() {
    button_(display_, 1, 1, 0);
    flush_(display_);
    Sleep(150);
    button_(display_, 1, 0, 0);
    flush_(display_);
    Sleep(300);
  }
  // Finds the top-level window whose title holds `title` and keeps its
  // position on the screen; pointer positions are taken from there on.
  bool FindWindow(const std::string& title) {
    const unsigned long root = root_(display_);
    unsigned long r = 0, parent = 0;
    unsigned long* children = nullptr;
    unsigned count = 0;
    if (!tree_(display_, root, &r, &parent, &children, &count)) return false;
    bool found = false;
    for (unsigned i = 0; i < count && !found; ++i) {
      char* name = nullptr;
      if (name_(display_, children[i], &name) && name) {
        if (std::string(name).find(title) != std::string::npos) {
          unsigned long child = 0;
          found = translate_(display_, children[i], root, 0, 0, &origin_x_, &origin_y_, &child) != 0;
        }
        free_(name);
      }
    }
    if (children) free_(children);
    return found;
  }
  void MovePointer(int x, int y) {
    motion_(display_, -1, origin_x_ + x, origin_y_ + y, 0);
    flush_(display_);
    Sleep(200);
  }
  static void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

 private:
  void* x11_ = nullptr;
  void* xtst_ = nullptr;
  void* display_ = nullptr;
  void* (*open_)(const char*) = nullptr;
  int (*close_)(void*) = nullptr;
  int (*flush_)(void*) = nullptr;
  unsigned char (*keycode_)(void*, unsigned long) = nullptr;
  int (*key_)(void*, unsigned, int, unsigned long) = nullptr;
  int (*motion_)(void*, int, int, int, unsigned long) = nullptr;
  int (*button_)(void*, unsigned, int, unsigned long) = nullptr;
  unsigned long (*root_)(void*) = nullptr;
  int (*tree_)(void*, unsigned long, unsigned long*, unsigned long*, unsigned long**, unsigned*) = nullptr;
  int (*name_)(void*, unsigned long, char**) = nullptr;
  int (*free_)(void*) = nullptr;
  int (*translate_)(void*, unsigned long, unsigned long, int, int, int*, int*, unsigned long*) = nullptr;
  int origin_x_ = 0;
  int origin_y_ = 0;
};

constexpr unsigned long kTab = 0xff09, kUp = 0xff52, kDown = 0xff54, kEscape = 0xff1b, kF11 = 0xffc8, kLetterA = 0x61;

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Waits up to `seconds` for `text` to appear in the file.
bool WaitForText(const fs::path& path, const std::string& text, int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    if (ReadAll(path).find(text) != std::string::npos) return true;
    FakeInput::Sleep(100);
  }
  return false;
}

// Waits up to `seconds` for the process to end; its exit status, or -1.
int WaitForExit(pid_t pid, int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    FakeInput::Sleep(100);
  }
  return -1;
}

size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Takes a screenshot with F11 and returns the new picture's path.
fs::path Screenshot(FakeInput& input, const fs::path& log, const fs::path& files) {
  const size_t before = Count(ReadAll(log), "\tSaved Screenshot 1\r\n");
  std::vector<fs::path> old;
  for (const auto& e : fs::directory_iterator(files)) old.push_back(e.path());
  input.Tap(kF11);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (Count(ReadAll(log), "\tSaved Screenshot 1\r\n") == before && std::chrono::steady_clock::now() < until) {
    FakeInput::Sleep(100);
  }
  for (const auto& e : fs::directory_iterator(files)) {
    if (e.path().extension() == ".png" && std::find(old.begin(), old.end(), e.path()) == old.end()) return e.path();
  }
  return {};
}

// The pixels where the pack titles stand on an 800x600 window, as text.
std::string PackArea(const fs::path& png) {
  const int pix = LoadPixmapPNG(png.string());
  std::string out;
  for (int y = 405; y < 530; ++y) {
    for (int x = 300; x < 590; ++x) out += std::to_string(ReadPixel(pix, x, y)) + ",";
  }
  FreePixmap(pix);
  return out;
}

bool Running(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == 0;
}

TEST(TitleEndToEnd, StartTitleSettingsScreenshotAndFarewell) {
  const char* game_env = std::getenv("DUSKMOOR_GAME_DIR");
  ASSERT_NE(game_env, nullptr);
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
  FakeInput input;
  if (!input.Ready()) GTEST_SKIP() << "XTest is not available";

  const fs::path source = game_env;
  ASSERT_TRUE(fs::exists(source / "duskmoor2"));
  ASSERT_TRUE(fs::exists(source / "Files" / "256" / "logo.png")) << "the game data is not generated";
  const fs::path root = fs::temp_directory_path() / ("duskmoor_title_e2e_" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::copy(source, root, fs::copy_options::recursive);
  fs::remove(root / "Files" / "Setup.ini");
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";

  // Started from another folder: the game finds its data beside itself.
  const std::string binary = (root / "duskmoor2").string();
  char* argv[] = {const_cast<char*>(binary.c_str()), nullptr};
  pid_t pid = 0;
  ASSERT_EQ(posix_spawn(&pid, binary.c_str(), nullptr, nullptr, argv, environ), 0);

  ASSERT_TRUE(WaitForText(log, "Finished Loading\r\n", 180)) << ReadAll(log);
  // The loading hold, then the title's slide-in.
  FakeInput::Sleep(4000);
  ASSERT_TRUE(Running(pid));
  ASSERT_TRUE(input.FindWindow("Duskmoor"));
  input.MovePointer(400, 300);

  const fs::path shot = Screenshot(input, log, files);
  ASSERT_FALSE(shot.empty()) << ReadAll(log);
  // Kept beside the build for a look at the title screen.
  if (const char* build = std::getenv("DUSKMOOR_BUILD_DIR")) {
    fs::copy_file(shot, fs::path(build) / "title_screen.png", fs::copy_options::overwrite_existing);
  }

  input.Tap(kTab);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(20);
  while (!fs::exists(files / "Setup.ini") && std::chrono::steady_clock::now() < until) FakeInput::Sleep(100);
  ASSERT_TRUE(fs::exists(files / "Setup.ini"));
  const std::string setup = ReadAll(files / "Setup.ini");
  EXPECT_EQ(setup.rfind("[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\nWidth=800\r\nHeight=600\r\n", 0), 0u)
      << setup;
  EXPECT_NE(setup.find("\r\n[Controls]\r\nKey=0,38\r\n"), std::string::npos) << setup;

  // Apply in the open overlay reopens the display (virtual 20, 280 on the
  // 800x600 window) and slides the overlay away. The overlay needs ten
  // frames to come down, which a slow machine may spread over a second.
  FakeInput::Sleep(2500);
  input.MovePointer(14, 176);
  input.Click();
  const auto applied = std::chrono::steady_clock::now() + std::chrono::seconds(120);
  while (Count(ReadAll(log), "-=-=-=-=-=-=-=-=-=-=-=-=-=-\r\n") < 4 && std::chrono::steady_clock::now() < applied) {
    FakeInput::Sleep(200);
  }
  const std::string after_apply = ReadAll(log);
  EXPECT_NE(after_apply.find("Applying Graphical Settings\r\n\tChanged Graphics Mode ingame.\r\n\tUsing OpenGL Driver\r\n"),
            std::string::npos)
      << after_apply;
  EXPECT_EQ(Count(after_apply, "-=-=-=-=-=-=-=-=-=-=-=-=-=-\r\n"), 4u);
  ASSERT_TRUE(Running(pid));
  input.MovePointer(400, 300);
  FakeInput::Sleep(1000);
  const fs::path first = Screenshot(input, log, files);
  ASSERT_FALSE(first.empty());

  // Down moves to the next pack and Up back again: the pack titles change
  // and return.
  input.Tap(kDown);
  const fs::path next = Screenshot(input, log, files);
  input.Tap(kUp);
  const fs::path back = Screenshot(input, log, files);
  ASSERT_FALSE(next.empty());
  ASSERT_FALSE(back.empty());
  EXPECT_NE(PackArea(next), PackArea(first));
  EXPECT_EQ(PackArea(back), PackArea(first));
  if (const char* build = std::getenv("DUSKMOOR_BUILD_DIR")) {
    fs::copy_file(next, fs::path(build) / "title_screen_next_pack.png", fs::copy_options::overwrite_existing);
  }
  ASSERT_TRUE(Running(pid));

  input.Tap(kEscape);
  ASSERT_TRUE(WaitForText(log, "Play again, soon!!\r\n", 30)) << ReadAll(log);
  FakeInput::Sleep(1000);
  // The farewell screen waits for a key.
  EXPECT_TRUE(Running(pid));
  input.Tap(kLetterA);
  const int status = WaitForExit(pid, 60);
  if (status < 0) kill(pid, SIGKILL);
  EXPECT_EQ(status, 0);

  const std::string text = ReadAll(log);
  EXPECT_EQ(text.rfind("Quoradin's Tamblewick Engine\r\n----------------------------\r\nWeek #256\r\n", 0), 0u);
  for (const char* group : {"Loading\r\nSetting Audio Driver\r\nSet Audio Driver\r\n\r\n\tRequested Resolution : 800x600\r\n",
                            "\r\n-=-=-=-=-=-=-=-=-=-=-=-=-=-\r\nApplying Graphical Settings\r\n\tUsing OpenGL Driver\r\n"
                            "\tResolution : 800x600,0\r\n\r\nLoading : Common Objects\r\n",
                            "Sounds loaded\r\n\r\nStarting Engine Test\r\n",
                            "-=-=-=-=-=-=-=-=-=-=-=-=-=-\r\nFinished Loading\r\n",
                            "\r\n\tScreenshot\r\n\tGrabbing Screenshot\r\n\tSaving Screenshot : "}) {
    EXPECT_NE(text.find(group), std::string::npos) << group;
  }
  const std::string exit_group = "Closing Up\r\n\r\nBye!\r\n\r\nPlay again, soon!!\r\n";
  ASSERT_GE(text.size(), exit_group.size());
  EXPECT_EQ(text.substr(text.size() - exit_group.size()), exit_group);
  EXPECT_TRUE(fs::exists(files / "256" / "scores.dat"));
  EXPECT_FALSE(fs::exists(files / "256" / "crash.dat"));

  fs::remove_all(root);
}

}  // namespace
