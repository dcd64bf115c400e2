// The display taken away from a running program on the real backend: the X
// server ends, the window's client is killed, the window is destroyed. Each
// time the game's hook runs once with the window system's words and the
// process ends with the hook's status, rather than inside the window
// system's library.
#include <gtest/gtest.h>

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <X11/Xlib.h>

#include "common/child_exit.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;

// Only turns a hang into a failure.
constexpr int kGuardSeconds = 240;

// Waits for the process to end; its exit status, or -1 when the guard ran
// out first (the process is then killed).
int WaitForExit(pid_t pid) { return testutil::WaitForChildExit(pid, kGuardSeconds); }

// Reads one line from `fd`; empty when it closed or the guard ran out.
std::string ReadLine(int fd) {
  std::string line;
  pollfd p{fd, POLLIN, 0};
  while (poll(&p, 1, kGuardSeconds * 1000) > 0) {
    char c = 0;
    if (read(fd, &c, 1) != 1 || c == '\n') break;
    line += c;
  }
  return line;
}

// An X server of the case's own, which the case may end.
class Server {
 public:
  Server() {
    int fds[2];
    if (pipe(fds) != 0) return;
    std::string args[] = {"Xvfb", "-displayfd", std::to_string(fds[1]), "-screen", "0", "640x480x24", "-nolisten", "tcp"};
    std::vector<char*> argv;
    for (std::string& a : args) argv.push_back(a.data());
    argv.push_back(nullptr);
    if (posix_spawnp(&pid_, "Xvfb", nullptr, nullptr, argv.data(), environ) != 0) pid_ = 0;
    close(fds[1]);
    const std::string number = pid_ != 0 ? ReadLine(fds[0]) : "";
    close(fds[0]);
    if (!number.empty()) name_ = ":" + number;
  }
  ~Server() { End(); }
  Server(const Server&) = delete;
  Server& operator=(const Server&) = delete;
  const std::string& Name() const { return name_; }
  void End() {
    if (pid_ == 0) return;
    kill(pid_, SIGTERM);
    if (WaitForExit(pid_) < 0) kill(pid_, SIGKILL);
    pid_ = 0;
  }

 private:
  pid_t pid_ = 0;
  std::string name_;
};

// The program's shown window on `display`, or 0.
Window ProgramWindow(Display* display) {
  Window root = 0, parent = 0, found = 0;
  Window* children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return 0;
  for (unsigned i = 0; i < count && found == 0; ++i) {
    char* name = nullptr;
    if (XFetchName(display, children[i], &name) && name != nullptr) {
      if (std::strstr(name, "Duskmoor") != nullptr) found = children[i];
      XFree(name);
    }
  }
  if (children) XFree(children);
  return found;
}

enum class Loss { kServerEnds, kServerEndsWhileTheDriverLoads, kClientKilled, kWindowDestroyed };

// Takes the display away from the program as another client or the
// server's own end would.
bool TakeAway(Loss loss, Server& server) {
  if (loss == Loss::kServerEnds || loss == Loss::kServerEndsWhileTheDriverLoads) {
    server.End();
    return true;
  }
  Display* display = XOpenDisplay(server.Name().c_str());
  if (!display) return false;
  // A window that goes between the search and the request must not end the
  // test process through the library's default handler.
  const XErrorHandler previous = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  const Window window = ProgramWindow(display);
  if (window != 0) {
    if (loss == Loss::kClientKilled) XKillClient(display, window);
    else XDestroyWindow(display, window);
    XSync(display, False);
  }
  XCloseDisplay(display);
  XSetErrorHandler(previous);
  return window != 0;
}

std::string ReadAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream ss;
  ss << in.rdbuf();
  return ss.str();
}

// Runs the program on an X server of its own, takes the display away from
// it as `loss` says, and gives how the program ended and what its hook
// wrote. A hungry program has no memory left when it meets the loss.
void LoseTheDisplay(Loss loss, bool hungry, int& status, std::string& said) {
  Server server;
  ASSERT_FALSE(server.Name().empty()) << "no X server of the case's own";
  const fs::path told = fs::temp_directory_path() / ("duskmoor_display_loss_" + std::to_string(getpid()));
  fs::remove(told);

  std::vector<std::string> env;
  for (char** e = environ; *e != nullptr; ++e) {
    if (std::strncmp(*e, "DISPLAY=", 8) != 0) env.emplace_back(*e);
  }
  env.push_back("DISPLAY=" + server.Name());
  std::vector<char*> envp;
  for (std::string& e : env) envp.push_back(e.data());
  envp.push_back(nullptr);
  const bool at_driver = loss == Loss::kServerEndsWhileTheDriverLoads;
  std::string told_arg = told.string(), mode = at_driver ? "driver" : "frames", appetite = hungry ? "hungry" : "fed";
  char* const argv[] = {const_cast<char*>(DISPLAY_LOSS_CHILD), told_arg.data(), mode.data(), appetite.data(), nullptr};
  int out[2], in[2];
  ASSERT_EQ(pipe(out), 0);
  ASSERT_EQ(pipe(in), 0);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  pid_t pid = 0;
  const int failed = posix_spawn(&pid, DISPLAY_LOSS_CHILD, &actions, nullptr, argv, envp.data());
  posix_spawn_file_actions_destroy(&actions);
  close(out[1]);
  close(in[0]);
  ASSERT_EQ(failed, 0);
  const std::string first = ReadLine(out[0]);
  close(out[0]);
  if (first != (at_driver ? "loading" : "ready")) {
    close(in[1]);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    FAIL() << "the program did not get where the display is taken: " << first;
  }

  const bool taken = TakeAway(loss, server);
  // The driver's load, or a hungry program, goes on once the display has
  // gone. A program that ended already must not end the test with it.
  struct sigaction ignore {}, saved {};
  ignore.sa_handler = SIG_IGN;
  sigaction(SIGPIPE, &ignore, &saved);
  if ((at_driver || hungry) && write(in[1], "go\n", 3) != 3) ADD_FAILURE() << "the program could not be let go on";
  close(in[1]);
  sigaction(SIGPIPE, &saved, nullptr);
  status = WaitForExit(pid);
  said = ReadAll(told);
  fs::remove(told);
  ASSERT_TRUE(taken) << "the program's window was not found";
}

struct Case {
  const char* name;
  Loss loss;
};

TEST(DisplayLoss, TheHookRunsOnceAndItsStatusEndsTheProcessHoweverTheDisplayGoes) {
  const Case cases[] = {
      {"the X server ends", Loss::kServerEnds},
      {"the X server ends while OpenGL loads its driver", Loss::kServerEndsWhileTheDriverLoads},
      {"the window's client is killed", Loss::kClientKilled},
      {"the window is destroyed", Loss::kWindowDestroyed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int status = 0;
    std::string said;
    ASSERT_NO_FATAL_FAILURE(LoseTheDisplay(c.loss, false, status, said));
    EXPECT_EQ(status, 5) << "the process did not end through the hook";
    EXPECT_GT(said.size(), 1u) << "the hook did not run, or was given no cause";
    EXPECT_EQ(said.find('\n'), said.empty() ? std::string::npos : said.size() - 1)
        << "the hook ran more than once: " << said;
  }
}

// The handlers run inside the window system's library: memory that has run
// out must not end the process there. The hook still runs, once, with a
// cause that needs no memory. (OpenGL's driver cannot meet the loss without
// memory: its own libraries allocate through new as it loads.)
TEST(DisplayLoss, TheHookRunsWhenMemoryHasRunOutAsTheDisplayGoes) {
  const Case cases[] = {
      {"the X server ends", Loss::kServerEnds},
      {"the window's client is killed", Loss::kClientKilled},
      {"the window is destroyed", Loss::kWindowDestroyed},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    int status = 0;
    std::string said;
    ASSERT_NO_FATAL_FAILURE(LoseTheDisplay(c.loss, true, status, said));
    EXPECT_EQ(status, 5) << "the process did not end through the hook";
    EXPECT_EQ(said, "\n") << "the hook did not run once with an empty cause";
  }
}

}  // namespace
