// Helpers of the end-to-end runs: the real game in a fresh copy of its
// folder, driven through XTest under the running X server, watched through
// its debug log and its screenshots.
#pragma once

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <poll.h>
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

namespace e2e {

namespace fs = std::filesystem;

constexpr unsigned long kTab = 0xff09, kUp = 0xff52, kDown = 0xff54, kEscape = 0xff1b, kF11 = 0xffc8,
                        kSpace = 0x20, kLetterA = 0x61, kLetterZ = 0x7a, kReturn = 0xff0d,
                        kRight = 0xff53, kLetterX = 0x78;

inline void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

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
  FakeInput(const FakeInput&) = delete;
  FakeInput& operator=(const FakeInput&) = delete;
  bool Ready() const { return display_ != nullptr; }

  // Down for a few frames, then up.
  void Tap(unsigned long keysym) {
    const unsigned code = keycode_(display_, keysym);
    key_(display_, code, 1, 0);
    flush_(display_);
    Sleep(150);
    key_(display_, code, 0, 0);
    flush_(display_);
    Sleep(300);
  }
  // Down until Release.
  void Press(unsigned long keysym) {
    key_(display_, keycode_(display_, keysym), 1, 0);
    flush_(display_);
  }
  void Release(unsigned long keysym) {
    key_(display_, keycode_(display_, keysym), 0, 0);
    flush_(display_);
  }
  // A click of the first pointer button where the pointer stands.
  void Click() {
    button_(display_, 1, 1, 0);
    flush_(display_);
    Sleep(150);
    button_(display_, 1, 0, 0);
    flush_(display_);
    Sleep(300);
  }
  // The first pointer button down or up where the pointer stands, at once.
  void Button(bool down) {
    button_(display_, 1, down ? 1 : 0, 0);
    flush_(display_);
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
  // Screen position, or window position once FindWindow has found the window.
  void MovePointer(int x, int y) {
    motion_(display_, -1, origin_x_ + x, origin_y_ + y, 0);
    flush_(display_);
    Sleep(200);
  }

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

inline std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

inline size_t Count(const std::string& text, const std::string& what) {
  size_t n = 0;
  for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++n;
  return n;
}

// Waits up to `seconds` for `text` to appear in the file.
inline bool WaitForText(const fs::path& path, const std::string& text, int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    if (ReadAll(path).find(text) != std::string::npos) return true;
    Sleep(100);
  }
  return false;
}

// Waits up to `seconds` for the process to end; its exit status, or -1.
inline int WaitForExit(pid_t pid, int seconds) {
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
  while (std::chrono::steady_clock::now() < until) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    Sleep(100);
  }
  return -1;
}

inline bool Running(pid_t pid) {
  int status = 0;
  return waitpid(pid, &status, WNOHANG) == 0;
}

// A fresh copy of the generated game under the temporary folder, without
// settings, so that every run starts from the defaults.
inline fs::path CopyGame(const fs::path& source, const std::string& tag) {
  const fs::path root = fs::temp_directory_path() / ("duskmoor_" + tag + "_" + std::to_string(getpid()));
  fs::remove_all(root);
  fs::copy(source, root, fs::copy_options::recursive);
  fs::remove(root / "Files" / "Setup.ini");
  // A log another run left in the source folder would already hold the lines
  // a test waits for.
  fs::remove(root / "Files" / "Debug.txt");
  return root;
}

// Every game a test started. One left running after a failed assertion would
// hold ctest's output pipe open, so the failure would show only as a time-out.
inline std::vector<pid_t>& StartedGames() {
  static std::vector<pid_t> pids;
  return pids;
}

// Starts the game binary of `root`; 0 when it could not be started.
inline pid_t StartGame(const fs::path& root) {
  const std::string binary = (root / "duskmoor2").string();
  char* argv[] = {const_cast<char*>(binary.c_str()), nullptr};
  pid_t pid = 0;
  if (posix_spawn(&pid, binary.c_str(), nullptr, nullptr, argv, environ) != 0) return 0;
  StartedGames().push_back(pid);
  return pid;
}

// Ends whatever a test started and left running.
inline void EndLeftoverGames() {
  for (pid_t pid : StartedGames()) {
    if (!Running(pid)) continue;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
  }
  StartedGames().clear();
}

// Takes a screenshot with F11 and returns the new picture's path (empty when
// none appeared within 30 seconds).
inline fs::path Screenshot(FakeInput& input, const fs::path& log, const fs::path& files) {
  const size_t before = Count(ReadAll(log), "\tSaved Screenshot 1\r\n");
  std::vector<fs::path> old;
  for (const auto& e : fs::directory_iterator(files)) old.push_back(e.path());
  input.Tap(kF11);
  const auto until = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (Count(ReadAll(log), "\tSaved Screenshot 1\r\n") == before && std::chrono::steady_clock::now() < until) {
    Sleep(100);
  }
  for (const auto& e : fs::directory_iterator(files)) {
    if (e.path().extension() == ".png" && std::find(old.begin(), old.end(), e.path()) == old.end()) return e.path();
  }
  return {};
}

// Keeps a screenshot beside the build for a look.
inline void KeepShot(const fs::path& shot, const std::string& name) {
  if (shot.empty()) return;
  if (const char* build = std::getenv("DUSKMOOR_BUILD_DIR")) {
    std::error_code ec;
    fs::copy_file(shot, fs::path(build) / name, fs::copy_options::overwrite_existing, ec);
  }
}

// The pixels of a window rectangle [x0, x1) x [y0, y1) as text, for
// comparing two pictures.
inline std::string Area(const fs::path& png, int x0, int y0, int x1, int y1) {
  const int pix = LoadPixmapPNG(png.string());
  std::string out;
  for (int y = y0; y < y1; ++y) {
    for (int x = x0; x < x1; ++x) out += std::to_string(ReadPixel(pix, x, y)) + ",";
  }
  FreePixmap(pix);
  return out;
}

// An X server of its own, with one screen of the given size, for the game and
// for the keys; the display number comes back through a pipe. With a server
// each, runs cannot take each other's keys or windows.
class OwnServer {
 public:
  OwnServer(int w, int h) {
    int fds[2];
    if (pipe(fds) != 0) return;
    const std::string fd = std::to_string(fds[1]);
    const std::string screen = std::to_string(w) + "x" + std::to_string(h) + "x24";
    std::string args[] = {"Xvfb", "-displayfd", fd, "-screen", "0", screen, "-nolisten", "tcp"};
    char* argv[] = {args[0].data(), args[1].data(), args[2].data(), args[3].data(), args[4].data(),
                    args[5].data(), args[6].data(), args[7].data(), nullptr};
    if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv, environ) != 0) pid_ = 0;
    close(fds[1]);
    std::string number;
    pollfd p{fds[0], POLLIN, 0};
    while (pid_ != 0 && poll(&p, 1, 20000) > 0) {
      char c = 0;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~OwnServer() {
    if (pid_ != 0) {
      kill(pid_, SIGTERM);
      if (WaitForExit(pid_, 20) < 0) kill(pid_, SIGKILL);
    }
  }
  OwnServer(const OwnServer&) = delete;
  OwnServer& operator=(const OwnServer&) = delete;
  const std::string& Display() const { return display_; }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

// Starts its own X server and names it in DISPLAY for as long as it lives;
// constructed before the fixture's input so that the input connects to it.
class ServerScope {
 public:
  ServerScope() : server_(1920, 1080) {
    if (const char* d = std::getenv("DISPLAY")) outer_ = d;
    if (!server_.Display().empty()) setenv("DISPLAY", server_.Display().c_str(), 1);
  }
  ~ServerScope() {
    if (outer_.empty()) unsetenv("DISPLAY");
    else setenv("DISPLAY", outer_.c_str(), 1);
  }
  ServerScope(const ServerScope&) = delete;
  ServerScope& operator=(const ServerScope&) = delete;

 private:
  OwnServer server_;
  std::string outer_;
};

// A run of the real game: the generated game folder from the environment and
// the X input that drives it. Runs without an X server or XTest are skipped.
class GameRun : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* game_env = std::getenv("DUSKMOOR_GAME_DIR");
    ASSERT_NE(game_env, nullptr);
    if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X server";
    if (!input.Ready()) GTEST_SKIP() << "XTest is not available";
    source = game_env;
  }

  void TearDown() override { EndLeftoverGames(); }

  // Esc on the title screen leads to the farewell screen, which waits for a
  // key; the key ends the process cleanly.
  void LeaveThroughFarewell(const fs::path& log, pid_t pid) {
    input.Tap(kEscape);
    ASSERT_TRUE(WaitForText(log, "Play again, soon!!\r\n", 30)) << ReadAll(log);
    Sleep(1000);
    EXPECT_TRUE(Running(pid));
    input.Tap(kLetterA);
    const int status = WaitForExit(pid, 60);
    if (status < 0) kill(pid, SIGKILL);
    EXPECT_EQ(status, 0);
  }

  ServerScope server;
  FakeInput input;
  fs::path source;
};

}  // namespace e2e
