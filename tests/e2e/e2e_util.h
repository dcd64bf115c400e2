// Helpers of the end-to-end runs: the real game in a fresh copy of its
// folder, driven through XTest under an X server of the run's own, watched
// through its debug log, its files, its screenshots and the pictures it
// presents.
//
// Nothing here waits for a stretch of time in the hope that the game got
// somewhere: the game reads its controls once per frame, and a machine busy
// with other work may take a long while over one. Every key and button is
// held until the game has presented a few whole frames with it (or has shown
// in another way that it took it), and every wait is for something the game
// did. The time limits only turn a hang into a failure.
#pragma once

#include <gtest/gtest.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <type_traits>
#include <vector>

#include "platform/graphics.h"

extern char** environ;

namespace e2e {

namespace fs = std::filesystem;

constexpr unsigned long kTab = 0xff09, kUp = 0xff52, kDown = 0xff54, kEscape = 0xff1b, kF11 = 0xffc8,
                        kSpace = 0x20, kLetterA = 0x61, kLetterZ = 0x7a, kReturn = 0xff0d,
                        kRight = 0xff53, kLetterX = 0x78;

// How long any single wait may last before it counts as a hang. It never
// decides a pass: a run that gets there has failed.
constexpr int kGuardSeconds = 240;

// Whole frames a key or button stays down, and then up, for the game to have
// read it in at least one frame that ran entirely after the change reached it.
constexpr int kFramesPerAction = 3;

// Frames the title screen needs after its loading hold: its panels slide in
// over 32.
constexpr int kTitleFrames = 40;
// The map screen fades in over 60 frames, and takes the start control only
// then; skipped, it fades out over as many before play begins.
constexpr int kMapFadeFrames = 60;
// The options overlay comes down, or goes up, 32 pixels a frame over ten.
constexpr int kOverlayFrames = 12;
// The hold at the end of a game before the name entry, in milliseconds.
constexpr int kEndOfPlayHoldMs = 1500;

// A presented frame costs the game's main thread a few dozen sleeps at most,
// however slow the machine: the frame pump waits out at most 15 milliseconds
// a frame a millisecond at a time, a presented frame stands for two frames
// under frame skip, and the drawing and the window system add a few. This
// many sleeps without a picture mean the game waits for something other
// than its next frame: a key to come up, or a hold.
constexpr long kIdleSleeps = 300;

inline void Sleep(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

inline std::chrono::steady_clock::time_point GuardFrom(int seconds = kGuardSeconds) {
  return std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
}

// Waits until `done` holds; false when the guard ran out first.
inline bool WaitFor(const std::function<bool()>& done, int seconds = kGuardSeconds) {
  const auto until = GuardFrom(seconds);
  while (!done()) {
    if (std::chrono::steady_clock::now() >= until) return false;
    Sleep(5);
  }
  return true;
}

// The voluntary context switches of the process's main thread (each sleep
// is one), or -1 when the process is gone or has ended.
inline long MainThreadSleeps(pid_t pid) {
  if (pid <= 0) return -1;
  std::ifstream in("/proc/" + std::to_string(pid) + "/task/" + std::to_string(pid) + "/status");
  std::string line;
  long sleeps = -1;
  while (std::getline(in, line)) {
    if (line.rfind("State:", 0) == 0 && line.find('Z') != std::string::npos) return -1;
    if (line.rfind("voluntary_ctxt_switches:", 0) == 0) sleeps = std::strtol(line.c_str() + 24, nullptr, 10);
  }
  return sleeps;
}

// XTest through the system libraries, loaded at run time, and a clock that
// counts the pictures the game presents in its window: the DAMAGE extension
// reports each change to the window's contents, and the game changes them
// once per presented frame.
class FakeInput {
 public:
  FakeInput() {
    x11_ = dlopen("libX11.so.6", RTLD_NOW);
    xtst_ = dlopen("libXtst.so.6", RTLD_NOW);
    xdamage_ = dlopen("libXdamage.so.1", RTLD_NOW);
    if (!x11_ || !xtst_ || !xdamage_) return;
    bool all = true;
    const auto load = [&all](void* lib, const char* name, auto& fn) {
      fn = reinterpret_cast<std::remove_reference_t<decltype(fn)>>(dlsym(lib, name));
      all = all && fn != nullptr;
    };
    load(x11_, "XOpenDisplay", open_);
    load(x11_, "XCloseDisplay", close_);
    load(x11_, "XFlush", flush_);
    load(x11_, "XSync", sync_);
    load(x11_, "XPending", pending_);
    load(x11_, "XNextEvent", next_);
    load(x11_, "XConnectionNumber", connection_);
    load(x11_, "XSetErrorHandler", error_handler_);
    load(x11_, "XKeysymToKeycode", keycode_);
    load(x11_, "XDefaultRootWindow", root_);
    load(x11_, "XQueryTree", tree_);
    load(x11_, "XFetchName", name_);
    load(x11_, "XFree", free_);
    load(x11_, "XTranslateCoordinates", translate_);
    load(x11_, "XGetWindowAttributes", attributes_);
    load(x11_, "XSelectInput", select_);
    load(x11_, "XInternAtom", atom_);
    load(x11_, "XGetWindowProperty", property_);
    load(x11_, "XAutoRepeatOff", repeat_off_);
    load(x11_, "XSendEvent", send_);
    load(x11_, "XKillClient", kill_client_);
    load(x11_, "XDestroyWindow", destroy_window_);
    load(xtst_, "XTestFakeKeyEvent", key_);
    load(xtst_, "XTestFakeMotionEvent", motion_);
    load(xtst_, "XTestFakeButtonEvent", button_);
    load(xdamage_, "XDamageQueryExtension", damage_query_);
    load(xdamage_, "XDamageCreate", damage_create_);
    load(xdamage_, "XDamageSubtract", damage_subtract_);
    load(xdamage_, "XDamageDestroy", damage_destroy_);
    if (!all) return;
    display_ = open_(nullptr);
    if (!display_) return;
    int error_base = 0;
    if (!damage_query_(display_, &damage_event_, &error_base)) {
      close_(display_);
      display_ = nullptr;
      return;
    }
    // A window that goes away between two requests (the game ends) must not
    // end the test process through the library's default error handler.
    error_handler_([](void*, void*) { return 0; });
    // A key held across a frame the game takes long over would otherwise
    // repeat, and type into the name entry.
    repeat_off_(display_);
    sync_(display_, 0);
  }
  ~FakeInput() {
    if (display_) close_(display_);
    if (xdamage_) dlclose(xdamage_);
    if (xtst_) dlclose(xtst_);
    if (x11_) dlclose(x11_);
  }
  FakeInput(const FakeInput&) = delete;
  FakeInput& operator=(const FakeInput&) = delete;
  bool Ready() const { return display_ != nullptr; }

  // Waits until a shown top-level window whose title holds `title` exists
  // (of a process still running) and keeps its position on the screen:
  // pointer positions are taken from there on, and its presented frames are
  // counted. With `starter`, false as soon as that process has ended. With
  // `owner`, only a window of that process counts (two games may show their
  // windows at once).
  bool FindWindow(const std::string& title = "Duskmoor", pid_t starter = 0, pid_t owner = 0) {
    const auto until = GuardFrom();
    for (;;) {
      Drain();
      unsigned long found = Search(title, owner);
      if (found != 0) {
        Attach(found);
        return true;
      }
      if (starter > 0 && MainThreadSleeps(starter) < 0) return false;
      if (std::chrono::steady_clock::now() >= until) return false;
      Sleep(10);
    }
  }

  // Waits until the game has presented `n` more frames (each at least one
  // frame of the game); false when its window went away or the guard ran
  // out first.
  bool WaitFrames(int n) {
    if (!EnsureWindow()) return false;
    Drain();
    const long start = frames_;
    const auto until = GuardFrom();
    while (frames_ - start < n) {
      if (gone_ || std::chrono::steady_clock::now() >= until) return false;
      Pump(50);
    }
    return true;
  }

  // Presented frames counted so far.
  long Frames() {
    Drain();
    return frames_;
  }

  // Down until the game has read it, then up until it has read that.
  bool Tap(unsigned long keysym) {
    const bool down = Press(keysym);
    return Release(keysym) && down;
  }
  // Down until Release, once the game is running frames (a key that went
  // down in a hold, the loading hold or the one at the end of a game, could
  // be up again before anything read it); returns once the game has read
  // it.
  bool Press(unsigned long keysym) {
    if (!Presenting()) return false;
    SendKey(keysym, true);
    return Settle();
  }
  bool Release(unsigned long keysym) {
    SendKey(keysym, false);
    return Settle();
  }
  // A click of the first pointer button where the pointer stands.
  bool Click() {
    const bool down = Button(true);
    return Button(false) && down;
  }
  // The first pointer button down (once the game is running frames) or up
  // where the pointer stands; returns once the game has read it.
  bool Button(bool down) {
    if (down && !Presenting()) return false;
    SendButton(down);
    return Settle();
  }
  // Screen position, or window position once the game's window is known;
  // then, with a window, until the game has read it.
  bool MovePointer(int x, int y) {
    motion_(display_, -1, origin_x_ + x, origin_y_ + y, 0);
    flush_(display_);
    if (window_ == 0 || gone_) return true;
    return Settle();
  }

  // A key or the first pointer button down or up at once, without waiting
  // for the game: for moments a test chooses itself.
  void SendKey(unsigned long keysym, bool down) {
    key_(display_, keycode_(display_, keysym), down ? 1 : 0, 0);
    sync_(display_, 0);
  }
  void SendButton(bool down) {
    button_(display_, 1, down ? 1 : 0, 0);
    sync_(display_, 0);
  }

  // Waits until the game has shown that it read the last change of the keys
  // or buttons: it presented `frames` frames after it, or its window was
  // hidden or went away (a display switch, the farewell, the end of the
  // run), or its main thread sleeps on without presenting anything (a
  // screen that waits for a key to come up, or a hold). False only when the
  // guard ran out.
  bool Settle(int frames = kFramesPerAction) {
    Drain();
    const long start = frames_, unmaps = unmaps_;
    long seen = frames_;
    long idle_from = MainThreadSleeps(pid_);
    const auto until = GuardFrom();
    for (;;) {
      if (frames_ - start >= frames || gone_ || unmaps_ != unmaps) return true;
      const long sleeps = MainThreadSleeps(pid_);
      if (pid_ > 0 && sleeps < 0) return true;  // the game has ended
      if (frames_ != seen) {
        seen = frames_;
        idle_from = sleeps;
      } else if (sleeps >= 0 && idle_from >= 0 && sleeps - idle_from >= kIdleSleeps) {
        return true;
      }
      if (std::chrono::steady_clock::now() >= until) return false;
      Pump(2);
    }
  }

  // Asks the game to close its window, as a window manager's close button
  // does; false when it has no window.
  bool RequestClose() {
    if (!EnsureWindow()) return false;
    ClientMessage m{};
    m.type = kClientMessage;
    m.window = window_;
    m.message_type = atom_(display_, "WM_PROTOCOLS", 0);
    m.format = 32;
    m.data[0] = static_cast<long>(atom_(display_, "WM_DELETE_WINDOW", 0));
    m.data[1] = 0;  // the current time
    Event e{};
    static_assert(sizeof(m) <= sizeof(e));
    std::memcpy(&e, &m, sizeof(m));
    send_(display_, window_, 0, 0, &e);
    sync_(display_, 0);
    return true;
  }

  // The game's window taken away by this client, as a desktop's tools do:
  // its client's connection closed by the server, or the window destroyed.
  // False when there is no window of the game's.
  bool KillGameClient() {
    if (!EnsureWindow()) return false;
    kill_client_(display_, window_);
    sync_(display_, 0);
    return true;
  }
  bool DestroyGameWindow() {
    if (!EnsureWindow()) return false;
    destroy_window_(display_, window_);
    sync_(display_, 0);
    return true;
  }
  // Closes this client's connection, before the server is ended under it:
  // the library would otherwise end the test process at its next request.
  // Nothing else may be asked of this input afterwards.
  void Disconnect() {
    if (display_) close_(display_);
    display_ = nullptr;
  }

  // The process that owns the game's window, as the window names it.
  pid_t GamePid() const { return pid_; }
  bool WindowGone() const { return gone_; }

 private:
  // Just the parts of the library's event records read here.
  struct AnyEvent {
    int type;
    unsigned long serial;
    int send_event;
    void* display;
    unsigned long event;
    unsigned long window;
  };
  struct ConfigureEvent {
    AnyEvent any;
    int x, y, width, height, border_width;
  };
  union Event {
    int type;
    AnyEvent any;
    ConfigureEvent configure;
    long pad[24];
  };
  struct WindowAttributes {
    int x, y, width, height, border_width, depth;
    void* visual;
    unsigned long root;
    int window_class, bit_gravity, win_gravity, backing_store;
    unsigned long backing_planes, backing_pixel;
    int save_under;
    unsigned long colormap;
    int map_installed, map_state;
    long all_event_masks, your_event_mask, do_not_propagate_mask;
    int override_redirect;
    void* screen;
  };
  struct ClientMessage {
    int type;
    unsigned long serial;
    int send_event;
    void* display;
    unsigned long window;
    unsigned long message_type;
    int format;
    long data[5];
  };
  static constexpr int kClientMessage = 33;
  static constexpr int kDestroyNotify = 17, kUnmapNotify = 18, kMapNotify = 19, kConfigureNotify = 22;
  static constexpr long kStructureNotifyMask = 1L << 17;
  static constexpr int kIsViewable = 2;
  static constexpr int kReportNonEmpty = 3;

  pid_t WindowPid(unsigned long window) {
    const unsigned long wm_pid = atom_(display_, "_NET_WM_PID", 1);
    if (wm_pid == 0) return 0;
    unsigned long type = 0, count = 0, after = 0;
    int format = 0;
    unsigned char* data = nullptr;
    pid_t pid = 0;
    if (property_(display_, window, wm_pid, 0, 1, 0, 0 /* any type */, &type, &format, &count, &after, &data) == 0 &&
        data != nullptr) {
      if (format == 32 && count == 1) pid = static_cast<pid_t>(*reinterpret_cast<long*>(data));
      free_(data);
    }
    return pid;
  }

  // A shown top-level window with the title whose process still runs (with
  // `only`, that process), or 0.
  unsigned long Search(const std::string& title, pid_t only = 0) {
    const unsigned long root = root_(display_);
    unsigned long r = 0, parent = 0;
    unsigned long* children = nullptr;
    unsigned count = 0;
    if (!tree_(display_, root, &r, &parent, &children, &count)) return 0;
    unsigned long found = 0;
    for (unsigned i = 0; i < count && found == 0; ++i) {
      char* name = nullptr;
      if (!name_(display_, children[i], &name) || !name) continue;
      const bool named = std::string(name).find(title) != std::string::npos;
      free_(name);
      if (!named) continue;
      WindowAttributes a{};
      if (!attributes_(display_, children[i], &a) || a.map_state != kIsViewable) continue;
      const pid_t pid = WindowPid(children[i]);
      // The window of a game that has just ended may linger for a moment.
      if (pid > 0 && MainThreadSleeps(pid) < 0) continue;
      if (only > 0 && pid != only) continue;
      found = children[i];
    }
    if (children) free_(children);
    return found;
  }

  void Attach(unsigned long window) {
    // A game started after another may get the same window number.
    const pid_t pid = WindowPid(window);
    if (window != window_ || pid != pid_ || gone_) {
      if (damage_ != 0 && !gone_) damage_destroy_(display_, damage_);
      window_ = window;
      pid_ = pid;
      gone_ = false;
      select_(display_, window_, kStructureNotifyMask);
      damage_ = damage_create_(display_, window_, kReportNonEmpty);
      // The end of an earlier window of that number may still have been on
      // its way.
      Drain();
      gone_ = false;
    }
    unsigned long child = 0;
    translate_(display_, window_, root_(display_), 0, 0, &origin_x_, &origin_y_, &child);
    Drain();
  }

  bool EnsureWindow() { return (window_ != 0 && !gone_) || FindWindow(); }

  // The game's window is known and the game presents frames in it.
  bool Presenting() { return EnsureWindow() && WaitFrames(1); }

  void Handle(Event& e) {
    if (e.type == damage_event_) {
      ++frames_;
      // Empties the damage, so that the next picture reports again.
      damage_subtract_(display_, damage_, 0, 0);
      return;
    }
    if (e.any.window != window_) return;
    switch (e.type) {
      case kDestroyNotify:
        gone_ = true;
        break;
      case kUnmapNotify:
        ++unmaps_;
        break;
      case kConfigureNotify:
        // Without a window manager the window's parent is the root.
        origin_x_ = e.configure.x;
        origin_y_ = e.configure.y;
        break;
      default:
        break;
    }
  }

  // Everything the server had sent before now.
  void Drain() {
    sync_(display_, 0);
    Event e{};
    while (pending_(display_) > 0) {
      next_(display_, &e);
      Handle(e);
    }
  }

  // Waits up to `ms` for events and handles them.
  void Pump(int ms) {
    Event e{};
    if (pending_(display_) == 0) {
      pollfd p{connection_(display_), POLLIN, 0};
      poll(&p, 1, ms);
    }
    while (pending_(display_) > 0) {
      next_(display_, &e);
      Handle(e);
    }
    flush_(display_);
  }

  void* x11_ = nullptr;
  void* xtst_ = nullptr;
  void* xdamage_ = nullptr;
  void* display_ = nullptr;
  void* (*open_)(const char*) = nullptr;
  int (*close_)(void*) = nullptr;
  int (*flush_)(void*) = nullptr;
  int (*sync_)(void*, int) = nullptr;
  int (*pending_)(void*) = nullptr;
  int (*next_)(void*, Event*) = nullptr;
  int (*connection_)(void*) = nullptr;
  void* (*error_handler_)(int (*)(void*, void*)) = nullptr;
  unsigned char (*keycode_)(void*, unsigned long) = nullptr;
  unsigned long (*root_)(void*) = nullptr;
  int (*tree_)(void*, unsigned long, unsigned long*, unsigned long*, unsigned long**, unsigned*) = nullptr;
  int (*name_)(void*, unsigned long, char**) = nullptr;
  int (*free_)(void*) = nullptr;
  int (*translate_)(void*, unsigned long, unsigned long, int, int, int*, int*, unsigned long*) = nullptr;
  int (*attributes_)(void*, unsigned long, WindowAttributes*) = nullptr;
  int (*select_)(void*, unsigned long, long) = nullptr;
  unsigned long (*atom_)(void*, const char*, int) = nullptr;
  int (*property_)(void*, unsigned long, unsigned long, long, long, int, unsigned long, unsigned long*, int*,
                   unsigned long*, unsigned long*, unsigned char**) = nullptr;
  int (*repeat_off_)(void*) = nullptr;
  int (*send_)(void*, unsigned long, int, long, Event*) = nullptr;
  int (*kill_client_)(void*, unsigned long) = nullptr;
  int (*destroy_window_)(void*, unsigned long) = nullptr;
  int (*key_)(void*, unsigned, int, unsigned long) = nullptr;
  int (*motion_)(void*, int, int, int, unsigned long) = nullptr;
  int (*button_)(void*, unsigned, int, unsigned long) = nullptr;
  int (*damage_query_)(void*, int*, int*) = nullptr;
  unsigned long (*damage_create_)(void*, unsigned long, int) = nullptr;
  void (*damage_subtract_)(void*, unsigned long, unsigned long, unsigned long) = nullptr;
  void (*damage_destroy_)(void*, unsigned long) = nullptr;
  int damage_event_ = -1;
  unsigned long window_ = 0;
  unsigned long damage_ = 0;
  pid_t pid_ = 0;
  bool gone_ = false;
  long frames_ = 0;
  long unmaps_ = 0;
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

// Waits for `text` to appear in the file; `seconds` only bounds a hang.
inline bool WaitForText(const fs::path& path, const std::string& text, int seconds = kGuardSeconds) {
  return WaitFor([&] { return ReadAll(path).find(text) != std::string::npos; }, seconds);
}

// Waits for the process to end; its exit status, or -1 when `seconds` (which
// only bound a hang) passed first.
inline int WaitForExit(pid_t pid, int seconds = kGuardSeconds) {
  const auto until = GuardFrom(seconds);
  for (;;) {
    int status = 0;
    if (waitpid(pid, &status, WNOHANG) == pid) return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    if (std::chrono::steady_clock::now() >= until) return -1;
    Sleep(5);
  }
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

// Starts the game binary of `root` in this process's environment less the
// variables named in `unset` and those `added` sets (NAME=VALUE), which are
// added; its standard error goes into the file `err` when one is named. 0
// when it could not be started.
inline pid_t StartGame(const fs::path& root, const std::vector<std::string>& unset = {},
                       const std::vector<std::string>& added = {}, const fs::path& err = {}) {
  std::vector<std::string> kept;
  for (char** e = environ; *e != nullptr; ++e) {
    const std::string entry = *e;
    bool drop = false;
    for (const std::string& name : unset) drop = drop || entry.rfind(name + "=", 0) == 0;
    for (const std::string& a : added) drop = drop || entry.rfind(a.substr(0, a.find('=') + 1), 0) == 0;
    if (!drop) kept.push_back(entry);
  }
  kept.insert(kept.end(), added.begin(), added.end());
  std::vector<char*> env;
  for (std::string& entry : kept) env.push_back(entry.data());
  env.push_back(nullptr);
  const std::string binary = (root / "duskmoor2").string();
  char* argv[] = {const_cast<char*>(binary.c_str()), nullptr};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (!err.empty()) posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, binary.c_str(), &actions, nullptr, argv, env.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return 0;
  StartedGames().push_back(pid);
  return pid;
}

// A score history of one game, Ann's 120 points, as the game writes it.
inline const std::string kScores =
    "120|Ann|0|65150126130|0|2|0|1\r\n0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0\r\n";

inline void WriteAll(const fs::path& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out << bytes;
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

// Waits for the title screen of a game just started: the log tells that the
// loading is done, the title's frames follow the loading hold, and its panels
// have slid in. The log must be one the run writes afresh.
inline bool WaitForTitle(FakeInput& input, const fs::path& log) {
  return WaitForText(log, "Finished Loading\r\n") && input.FindWindow() && input.WaitFrames(kTitleFrames);
}

// From the pause menu's Quit to the name entry: the game holds its last
// picture for a while, then asks for a name. Called once Quit is taken, this
// waits out at least that hold and then for the name entry's frames.
inline bool WaitForNameEntry(FakeInput& input) {
  Sleep(kEndOfPlayHoldMs);
  return input.WaitFrames(kFramesPerAction);
}

// Takes a screenshot with F11 and returns the new picture's path (empty when
// none appeared).
inline fs::path Screenshot(FakeInput& input, const fs::path& log, const fs::path& files) {
  const size_t before = Count(ReadAll(log), "\tSaved Screenshot 1\r\n");
  std::vector<fs::path> old;
  for (const auto& e : fs::directory_iterator(files)) old.push_back(e.path());
  input.Tap(kF11);
  if (!WaitFor([&] { return Count(ReadAll(log), "\tSaved Screenshot 1\r\n") > before; })) return {};
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
// for the keys; the display number comes back through a pipe once the server
// takes connections. With a server each, runs cannot take each other's keys
// or windows.
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
    while (pid_ != 0 && poll(&p, 1, kGuardSeconds * 1000) > 0) {
      char c = 0;
      if (read(fds[0], &c, 1) != 1 || c == '\n') break;
      number += c;
    }
    close(fds[0]);
    if (!number.empty()) display_ = ":" + number;
  }
  ~OwnServer() { End(); }
  OwnServer(const OwnServer&) = delete;
  OwnServer& operator=(const OwnServer&) = delete;
  const std::string& Display() const { return display_; }
  // Ends the server, as a logout or its crash would, and waits for it.
  void End() {
    if (pid_ == 0) return;
    kill(pid_, SIGTERM);
    if (WaitForExit(pid_, 20) < 0) {
      kill(pid_, SIGKILL);
      waitpid(pid_, nullptr, 0);
    }
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
  std::string display_;
};

// Starts its own X server and names it in DISPLAY for as long as it lives;
// constructed before the fixture's input so that the input connects to it.
class ServerScope {
 public:
  explicit ServerScope(int w = 1920, int h = 1080) : server_(w, h) {
    if (const char* d = std::getenv("DISPLAY")) outer_ = d;
    if (!server_.Display().empty()) setenv("DISPLAY", server_.Display().c_str(), 1);
  }
  ~ServerScope() {
    if (outer_.empty()) unsetenv("DISPLAY");
    else setenv("DISPLAY", outer_.c_str(), 1);
  }
  ServerScope(const ServerScope&) = delete;
  ServerScope& operator=(const ServerScope&) = delete;
  bool Started() const { return !server_.Display().empty(); }
  // Ends the server while DISPLAY still names it.
  void End() { server_.End(); }

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
    if (!input.Ready()) GTEST_SKIP() << "XTest or DAMAGE is not available";
    source = game_env;
  }

  void TearDown() override { EndLeftoverGames(); }

  // Esc on the title screen leads to the farewell screen, which shows its
  // picture again and again while it waits for a key; the key ends the
  // process cleanly.
  void LeaveThroughFarewell(const fs::path& log, pid_t pid) {
    ASSERT_TRUE(input.Tap(kEscape));
    ASSERT_TRUE(WaitForText(log, "Play again, soon!!\r\n")) << ReadAll(log);
    ASSERT_TRUE(input.WaitFrames(kFramesPerAction)) << "the farewell screen did not wait for a key";
    EXPECT_TRUE(Running(pid));
    input.Tap(kLetterA);
    const int status = WaitForExit(pid);
    if (status < 0) kill(pid, SIGKILL);
    EXPECT_EQ(status, 0);
  }

  ServerScope server;
  FakeInput input;
  fs::path source;
};

}  // namespace e2e
