// The replay tool itself: its answers to bad input, how it reads scripts,
// what a script costs, a run that leaves the player's files alone and keeps
// its own on request without writing through links, and a run that fails,
// memory running out included, without leaving its copy behind.
#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <new>
#include <optional>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <grp.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "common/memory_ceiling.h"
#include "common/pipe_watch.h"
#include "common/fresh_globals.h"
#include "common/test_util.h"
#include "game/game_state.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "replay_lib.h"
#include "startup/globals.h"

namespace {

namespace fs = std::filesystem;
using replay::Control;
using replay::ControlKind;
using testutil::ReadBytes;
using testutil::WriteBytes;

// An unprivileged user: permissions do not bind the superuser, as whom the
// tests may run.
constexpr uid_t kPlayer = 65534;

// In a child process: goes on as the player when the tests run as the
// superuser (as anyone else they already run as a player).
bool BecomePlayer() {
  if (::geteuid() != 0) return true;
  return ::setgroups(0, nullptr) == 0 && ::setgid(kPlayer) == 0 && ::setuid(kPlayer) == 0;
}

// The built tool as a process of its own, for what only a process shows:
// that it comes back at once from what would hold it, and how it ends on a
// signal. Its output goes to files; its temporary files to a folder of the
// test's choosing.
class ToolProcess {
 public:
  struct Setup {
    std::string tmpdir;      // TMPDIR; empty: the test's own
    std::string out, err;    // where stdout and stderr go
    int ignored = 0;         // a signal the tool is started with as ignored
    bool asPlayer = false;   // run as an unprivileged user (see BecomePlayer)
    rlim_t fileSizeLimit = RLIM_INFINITY;  // ulimit -f, in bytes
  };
  ToolProcess(const std::vector<std::string>& args, const Setup& setup) {
    std::vector<std::string> env;
    for (char** e = environ; *e != nullptr; ++e) {
      if (setup.tmpdir.empty() || std::string(*e).rfind("TMPDIR=", 0) != 0) env.emplace_back(*e);
    }
    if (!setup.tmpdir.empty()) env.push_back("TMPDIR=" + setup.tmpdir);
    std::vector<std::string> argv = {REPLAY_TOOL};
    argv.insert(argv.end(), args.begin(), args.end());
    // Everything the child needs is ready before the fork.
    std::vector<char*> argp, envp;
    for (std::string& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    for (std::string& e : env) envp.push_back(e.data());
    envp.push_back(nullptr);
    struct rlimit lim{RLIM_INFINITY, RLIM_INFINITY};
    ::getrlimit(RLIMIT_FSIZE, &lim);
    lim.rlim_cur = setup.fileSizeLimit;
    pid_ = ::fork();
    if (pid_ != 0) return;
    const int out = ::open(setup.out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const int err = ::open(setup.err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    if (out < 0 || err < 0 || ::dup2(out, 1) < 0 || ::dup2(err, 2) < 0) ::_exit(127);
    if (setup.asPlayer && !BecomePlayer()) ::_exit(127);
    for (int s : {SIGHUP, SIGINT, SIGTERM}) ::signal(s, s == setup.ignored ? SIG_IGN : SIG_DFL);
    sigset_t none;
    sigemptyset(&none);
    ::sigprocmask(SIG_SETMASK, &none, nullptr);
    if (setup.fileSizeLimit != RLIM_INFINITY && ::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(127);
    ::execve(argp[0], argp.data(), envp.data());
    ::_exit(127);
  }
  ~ToolProcess() {
    if (Running()) {
      ::kill(pid_, SIGKILL);
      ::waitpid(pid_, &status_, 0);
    }
  }
  ToolProcess(const ToolProcess&) = delete;
  ToolProcess& operator=(const ToolProcess&) = delete;

  bool Started() const { return pid_ > 0; }
  bool Running() {
    if (pid_ <= 0 || ended_) return false;
    if (::waitpid(pid_, &status_, WNOHANG) == pid_) ended_ = true;
    return !ended_;
  }
  void Signal(int s) const { ::kill(pid_, s); }
  // Waits for the tool to end, at most `guard`; a tool still running then is
  // killed and the answer is false.
  bool End(std::chrono::seconds guard) {
    const auto until = std::chrono::steady_clock::now() + guard;
    while (Running()) {
      if (std::chrono::steady_clock::now() > until) {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, &status_, 0);
        ended_ = true;
        return false;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
  }
  // The exit status, or -1 when the tool did not exit by itself.
  int ExitStatus() const { return ended_ && WIFEXITED(status_) ? WEXITSTATUS(status_) : -1; }
  // The signal that killed the tool, or 0.
  int KilledBy() const { return ended_ && WIFSIGNALED(status_) ? WTERMSIG(status_) : 0; }

 private:
  pid_t pid_ = -1;
  bool ended_ = false;
  int status_ = 0;
};

const char kLevel[] =
    "<title>Quiet Moor</title>\r\n<author>Tests</author>\r\n<from>40,100</from>\r\n<to>60,100</to>\r\n";

class ReplayToolTest : public ::testing::Test {
 protected:
  void SetUp() override {
    testutil::FreshGlobals();
    dir_ = fs::temp_directory_path() / ("duskmoor-replay-test-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
    level_ = Path("moor.xml");
    WriteBytes(level_, kLevel);
    // Some cases point the tool at a game folder of their own; the cases
    // after them get the built one back.
    const char* game = std::getenv("DUSKMOOR_GAME_DIR");
    gameDir_ = game ? std::optional<std::string>(game) : std::nullopt;
  }
  void TearDown() override {
    if (gameDir_) ::setenv("DUSKMOOR_GAME_DIR", gameDir_->c_str(), 1);
    else ::unsetenv("DUSKMOOR_GAME_DIR");
    fs::remove_all(dir_);
  }

  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  // A script file holding `text`.
  std::string Script(const std::string& text) {
    const std::string path = Path("s" + std::to_string(++scripts_) + ".script");
    WriteBytes(path, text);
    return path;
  }

  struct Result {
    int status;
    std::string out, err;
  };
  static Result RunTool(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = replay::Main(args, out, err);
    return {status, out.str(), err.str()};
  }

  fs::path dir_;
  std::string level_;
  int scripts_ = 0;
  std::optional<std::string> gameDir_;
};

TEST_F(ReplayToolTest, BadInputGetsOneLineAndStatusTwo) {
  fs::create_directories(Path("empty"));
  fs::create_directories(Path("folder.script"));
  WriteBytes(Path("level.txt"), kLevel);
  const std::string ok = Script("end 1\n");
  struct Case {
    std::vector<std::string> args;
    std::string message;
  };
  const std::string b = Script("1 left\n# comment\n3 jmp\n");
  const std::string r = Script("9-5 right\n");
  const std::string w = Script("1 left\nwalk to the cross\n");
  const std::string z = Script("0 fire\n");
  const std::string m = Script("\n\n4 mouse 10\n");
  const std::string t = Script("4 type\n");
  const std::string k = Script("2 key:256\n");
  const std::string c = Script("2 left+\n");
  const std::string e = Script("end 4\nend 5\n");
  const std::string x = Script("2 left right\n");
  const std::string rm = Script("2-3 mouse 1 2\n");
  const std::vector<Case> cases = {
      {{}, "usage: replay LEVEL SCRIPT [--width W --height H] [--trace] [--keep DIR]"},
      {{level_}, "usage: replay LEVEL SCRIPT [--width W --height H] [--trace] [--keep DIR]"},
      {{level_, ok, "extra"}, "usage: replay LEVEL SCRIPT [--width W --height H] [--trace] [--keep DIR]"},
      {{Path("gone.xml"), ok}, "level not found: " + Path("gone.xml")},
      {{Path("level.txt"), ok}, "a level file's name ends in .xml: " + Path("level.txt")},
      {{Path("empty"), ok}, "no level file (*.xml) in the folder: " + Path("empty")},
      {{level_, Path("gone.script")}, "script not found: " + Path("gone.script")},
      {{level_, Path("folder.script")}, "cannot read the script: " + Path("folder.script")},
      {{level_, b}, b + ":3: unknown control 'jmp'"},
      {{level_, c}, c + ":1: unknown control ''"},
      {{level_, r}, r + ":1: frame range backwards: 9-5"},
      {{level_, w}, w + ":2: not an instruction: walk to the cross"},
      {{level_, x}, x + ":1: not an instruction: 2 left right"},
      {{level_, z}, z + ":1: frames count from 1: 0 fire"},
      {{level_, m}, m + ":3: mouse takes X Y: 4 mouse 10"},
      {{level_, rm}, rm + ":1: mouse takes one frame: 2-3 mouse 1 2"},
      {{level_, t}, t + ":1: nothing to type: 4 type"},
      {{level_, k}, k + ":1: key code out of 1-255: key:256"},
      {{level_, e}, e + ":2: a second end: end 5"},
      {{level_, ok, "--fast"}, "unknown option: --fast"},
      {{level_, ok, "--keep"}, "--keep needs a value"},
      {{level_, ok, "--width", "1600"}, "--width and --height go together"},
      {{level_, ok, "--width", "wide", "--height", "900"}, "--width takes a whole number of pixels: wide"},
      {{level_, ok, "--width", "800", "--height", "600"},
       "the virtual screen is 1280x960, 1600x900 or 1440x900, not 800x600"},
  };
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.message);
    const Result res = RunTool(cs.args);
    EXPECT_EQ(res.status, 2);
    EXPECT_EQ(res.err, "replay: " + cs.message + "\n");
    EXPECT_EQ(res.out, "");
  }
}

TEST_F(ReplayToolTest, ALevelThatIsNoFileIsRefusedAndNeverOpened) {
  // A pipe nobody writes to would hold the tool at its opening for good.
  testutil::PipeWatch pipe(Path("pipe.xml"));
  ASSERT_TRUE(pipe.Made());
  fs::create_symlink("/dev/null", Path("device.xml"));
  for (const std::string& level : {Path("pipe.xml"), Path("device.xml")}) {
    SCOPED_TRACE(level);
    const Result res = RunTool({level, Script("end 1\n")});
    EXPECT_EQ(res.status, 2);
    EXPECT_EQ(res.err, "replay: the level is neither a file nor a folder: " + level + "\n");
    EXPECT_EQ(res.out, "");
  }
  EXPECT_FALSE(pipe.Opened());
}

TEST_F(ReplayToolTest, APackFolderPassesOverWhatIsNoFile) {
  fs::create_directories(Path("pack"));
  WriteBytes(Path("pack/moor.xml"), kLevel);
  testutil::PipeWatch pipe(Path("pack/pipe.xml"));
  ASSERT_TRUE(pipe.Made());
  fs::create_symlink("/dev/null", Path("pack/device.xml"));
  // Links that lead nowhere: round in a circle, to a name that is gone.
  fs::create_symlink("loop.xml", Path("pack/loop.xml"));
  fs::create_symlink("gone", Path("pack/dangling.xml"));
  fs::create_directories(Path("pack/folder.xml"));
  const Result res = RunTool({Path("pack"), Script("end 1\n")});
  EXPECT_EQ(res.status, 0) << res.err;
  EXPECT_NE(res.out.find("\nlevel=Quiet Moor\n"), std::string::npos) << res.out;
  EXPECT_FALSE(pipe.Opened());
}

// A level file larger than any level can be is refused unread, as the game
// leaves it out of its list; a pack passes over it. Nothing is copied for it.
TEST_F(ReplayToolTest, ALevelFileLargerThanALevelCanBeIsNeitherReadNorPlayed) {
  const auto sparse = [](const std::string& path, int64_t size) {
    WriteBytes(path, "");
    fs::resize_file(path, static_cast<uintmax_t>(size));
  };
  sparse(Path("big.xml"), int64_t{20} << 20);
  fs::create_directories(Path("pack"));
  WriteBytes(Path("pack/moor.xml"), kLevel);
  sparse(Path("pack/big.xml"), kMaxLevelFileBytes + 1);
  const Result big = RunTool({Path("big.xml"), Script("end 1\n")});
  EXPECT_EQ(big.status, 2);
  EXPECT_EQ(big.err, "replay: the level file is larger than a level can be (1048576 bytes): " + Path("big.xml") + "\n");
  EXPECT_EQ(big.out, "");
  const Result pack = RunTool({Path("pack"), Script("end 1\n")});
  EXPECT_EQ(pack.status, 0) << pack.err;
  EXPECT_NE(pack.out.find("\nlevel=Quiet Moor\n"), std::string::npos) << pack.out;
}

// A device would feed the tool for ever and a pipe nobody writes to would
// hold it at its opening: a script, like a level, is read from a regular file
// only, and anything else is refused at once.
TEST_F(ReplayToolTest, AScriptThatIsNoFileIsRefusedAtOnce) {
  ASSERT_EQ(::mkfifo(Path("pipe.script").c_str(), 0666), 0);
  fs::create_symlink("/dev/zero", Path("device.script"));
  for (const std::string& script :
       {std::string("/dev/zero"), std::string("/dev/urandom"), Path("pipe.script"), Path("device.script")}) {
    SCOPED_TRACE(script);
    ToolProcess tool({level_, script}, {"", Path("out.txt"), Path("err.txt")});
    ASSERT_TRUE(tool.Started());
    // The answer takes a moment; the guard only tells a hang from it.
    ASSERT_TRUE(tool.End(std::chrono::seconds(20))) << "still running after 20 s";
    EXPECT_EQ(tool.ExitStatus(), 2);
    EXPECT_EQ(ReadBytes(Path("err.txt")), "replay: the script is not a file: " + script + "\n");
    EXPECT_EQ(ReadBytes(Path("out.txt")), "");
  }
}

TEST_F(ReplayToolTest, HelpPrintsTheUsageWithStatusZero) {
  const std::vector<std::vector<std::string>> cases = {
      {"--help"}, {"-h"}, {level_, Path("gone.script"), "--help"}, {"--width", "800", "-h"}};
  for (const std::vector<std::string>& args : cases) {
    SCOPED_TRACE(args.back());
    const Result res = RunTool(args);
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.out.rfind("usage: replay LEVEL SCRIPT [--width W --height H] [--trace] [--keep DIR]\n", 0), 0u)
        << res.out;
    EXPECT_EQ(res.err, "");
  }
}

// What a folder holds, by name; empty when it cannot be listed.
std::vector<std::string> Entries(const fs::path& dir) {
  std::vector<std::string> names;
  std::error_code ec;
  for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
    names.push_back(it->path().filename().string());
  return names;
}

// SIGTERM, SIGINT and SIGHUP end a run on the way with the usual status for
// the signal, and take the run's temporary copy of the game data along. A
// signal the tool was started with as ignored stays ignored.
TEST_F(ReplayToolTest, ASignalEndsTheRunWithoutLeavingItsCopyBehind) {
  struct Case {
    int signal;
    int ignored;
  };
  const std::vector<Case> cases = {{SIGTERM, 0}, {SIGINT, 0}, {SIGHUP, 0}, {SIGTERM, SIGHUP}};
  // Far more frames than any case waits for.
  const std::string script = Script("end 100000000\n");
  int n = 0;
  for (const Case& cs : cases) {
    SCOPED_TRACE("signal " + std::to_string(cs.signal) + ", ignored " + std::to_string(cs.ignored));
    const fs::path tmp = dir_ / ("tmp" + std::to_string(++n));
    fs::create_directories(tmp);
    ToolProcess tool({level_, script}, {tmp.string(), Path("out.txt"), Path("err.txt"), cs.ignored});
    ASSERT_TRUE(tool.Started());
    // The game is running in the copy once it has written the player's
    // level there.
    auto running = [&] {
      std::error_code ec;
      for (const std::string& name : Entries(tmp)) {
        if (fs::exists(tmp / name / "DuskmoorII_Levels" / "My Level.xml", ec)) return true;
      }
      return false;
    };
    const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    while (!running() && tool.Running() && std::chrono::steady_clock::now() < guard)
      std::this_thread::sleep_for(std::chrono::milliseconds(5));
    ASSERT_TRUE(running()) << ReadBytes(Path("err.txt"));
    // Sent first, an ignored SIGHUP would be taken first if it were not.
    if (cs.ignored != 0) tool.Signal(cs.ignored);
    tool.Signal(cs.signal);
    ASSERT_TRUE(tool.End(std::chrono::seconds(60))) << "still running 60 s after the signal";
    EXPECT_EQ(tool.ExitStatus(), 128 + cs.signal) << "killed by signal " << tool.KilledBy();
    std::string left;
    for (const std::string& name : Entries(tmp)) left += name + " ";
    EXPECT_EQ(left, "");
  }
}

// The report is the run's answer: one that cannot be written fails the run.
TEST_F(ReplayToolTest, AReportThatCannotBeWrittenFailsWithStatusOne) {
  ToolProcess tool({level_, Script("end 1\n")}, {"", "/dev/full", Path("err.txt")});
  ASSERT_TRUE(tool.Started());
  ASSERT_TRUE(tool.End(std::chrono::seconds(120)));
  EXPECT_EQ(tool.ExitStatus(), 1);
  EXPECT_EQ(ReadBytes(Path("err.txt")), "replay: cannot write the report\n");
}

TEST_F(ReplayToolTest, WithoutGameDataTheRunFailsWithStatusOne) {
  fs::create_directories(Path("nogame"));
  ::setenv("DUSKMOOR_GAME_DIR", Path("nogame").c_str(), 1);
  const Result res = RunTool({level_, Script("end 1\n")});
  EXPECT_EQ(res.status, 1);
  EXPECT_EQ(res.err, "replay: no game data (Files/) in '" + Path("nogame") +
                         "'; build the game or set DUSKMOOR_GAME_DIR\n");
  EXPECT_EQ(res.out, "");
}

TEST_F(ReplayToolTest, ScriptsHoldControlsOverFrameRanges) {
  const replay::Script s = replay::ParseScript(
      "# a comment line\n"
      "  \t\n"
      "1-3 left+fire   # held together\n"
      "2 key:90+lmb\r\n"
      "4 space+esc+enter+tab+c+v+up+down+right+jump+rmb\n"
      "5 mouse 640 480.5\n"
      "6 type Imra # is here\n"
      "7-7 right\n",
      "s");
  ASSERT_EQ(s.holds.size(), 4u);
  const std::vector<std::pair<int32_t, int32_t>> spans = {{1, 3}, {2, 2}, {4, 4}, {7, 7}};
  for (size_t i = 0; i < spans.size(); ++i) {
    EXPECT_EQ(s.holds[i].from, spans[i].first) << i;
    EXPECT_EQ(s.holds[i].to, spans[i].second) << i;
  }
  // Player-1 actions by slot; named keys and key:N by game key code.
  EXPECT_EQ(s.holds[0].controls, (std::vector<Control>{{ControlKind::Action, 3}, {ControlKind::Action, 10}}));
  EXPECT_EQ(s.holds[1].controls, (std::vector<Control>{{ControlKind::Key, 90}, {ControlKind::Mouse, 1}}));
  EXPECT_EQ(s.holds[2].controls,
            (std::vector<Control>{{ControlKind::Key, 32},
                                  {ControlKind::Key, 27},
                                  {ControlKind::Key, 13},
                                  {ControlKind::Key, 9},
                                  {ControlKind::Action, 12},
                                  {ControlKind::Action, 13},
                                  {ControlKind::Action, 0},
                                  {ControlKind::Action, 8},
                                  {ControlKind::Action, 5},
                                  {ControlKind::Action, 11},
                                  {ControlKind::Mouse, 2}}));
  ASSERT_EQ(s.moves.size(), 1u);
  EXPECT_EQ(s.moves[0].frame, 5);
  EXPECT_EQ(s.moves[0].x, 640.0f);
  EXPECT_EQ(s.moves[0].y, 480.5f);
  ASSERT_EQ(s.typing.size(), 1u);
  EXPECT_EQ(s.typing[0].frame, 6);
  // Typed text runs to the end of the line.
  EXPECT_EQ(s.typing[0].text, "Imra # is here");
  // Without `end` the run stops after the last frame named.
  EXPECT_EQ(s.lastFrame, 7);
}

TEST_F(ReplayToolTest, TheLastFrameIsTheEndLineOrElseTheLastFrameNamed) {
  const std::vector<std::pair<std::string, int32_t>> cases = {
      {"", 0},
      {"# nothing\n", 0},
      {"3-40 right\n2 fire\n", 40},
      {"9 mouse 1 1\n", 9},
      {"12 type x\n", 12},
      {"end 5\n1-90 left\n", 5},
      {"1-90 left\nend 200\n", 200},
  };
  for (const auto& [text, last] : cases) EXPECT_EQ(replay::ParseScript(text, "s").lastFrame, last) << text;
}

// A run on a game folder that holds the player's own settings, scores and log.
TEST_F(ReplayToolTest, ARunLeavesThePlayersFilesAloneAndKeepsItsOwnOnRequest) {
  const char* built = std::getenv("DUSKMOOR_GAME_DIR");
  ASSERT_NE(built, nullptr);
  const fs::path game = dir_ / "game";
  fs::create_directories(game);
  fs::copy(fs::path(built) / "Files", game / "Files", fs::copy_options::recursive);
  const std::string settings = "Width=800\r\nHeight=600\r\nESS\r\nKEY=10,65\r\n";
  WriteBytes((game / "Files" / "Setup.ini").string(), settings);
  WriteBytes((game / "Files" / "Debug.txt").string(), "the player's log");
  WriteBytes((game / "Files" / "256" / "scores.dat").string(), "the player's scores");
  ::setenv("DUSKMOOR_GAME_DIR", game.c_str(), 1);

  const fs::path keep = dir_ / "kept";
  const Result res = RunTool({level_, Script("1-3 fire\nend 4\n"), "--keep", keep.string(), "--trace"});
  ASSERT_EQ(res.status, 0) << res.err;
  EXPECT_EQ(res.err, "");
  // Four trace lines, then the report (its steady part: what play does to
  // the player is for the replays of the game's own behaviour).
  const size_t at = res.out.find("\nframes=4\nstate=playing\nlevel=Quiet Moor\nlevels_completed=0\n");
  EXPECT_NE(at, std::string::npos) << res.out;
  EXPECT_EQ(std::count(res.out.begin(), res.out.begin() + static_cast<std::ptrdiff_t>(at), '\n'), 3);
  EXPECT_EQ(res.out.rfind("frames=1\tstate=playing\tlevel=Quiet Moor\t", 0), 0u) << res.out;
  EXPECT_NE(res.out.find("\nframes=4\tstate=playing\t"), std::string::npos);
  EXPECT_EQ(std::count(res.out.begin(), res.out.end(), '\n'), 4 + 11);

  EXPECT_EQ(ReadBytes((game / "Files" / "Setup.ini").string()), settings);
  EXPECT_EQ(ReadBytes((game / "Files" / "Debug.txt").string()), "the player's log");
  EXPECT_EQ(ReadBytes((game / "Files" / "256" / "scores.dat").string()), "the player's scores");
  EXPECT_FALSE(fs::exists(game / "DuskmoorII_Levels"));

  // The run's own files: a fresh settings file for the screen, its log, the
  // data, the level and the player's level the game wrote; none of the
  // player's files came along.
  EXPECT_EQ(ReadBytes((keep / "Files" / "Setup.ini").string()), "Width=1280\r\nHeight=960\r\n");
  EXPECT_NE(ReadBytes((keep / "Files" / "Debug.txt").string()).find("Finished Loading"), std::string::npos);
  EXPECT_TRUE(fs::exists(keep / "Files" / "256" / "gfx.png"));
  EXPECT_FALSE(fs::exists(keep / "Files" / "256" / "scores.dat"));
  EXPECT_EQ(ReadBytes((keep / "DuskmoorII_Levels" / "moor.xml").string()), kLevel);
  EXPECT_TRUE(fs::exists(keep / "DuskmoorII_Levels" / "My Level.xml"));
}

// The fields of the trace line of each frame, from frame 1 on.
std::vector<std::map<std::string, std::string>> TraceFrames(const std::string& trace) {
  std::vector<std::map<std::string, std::string>> frames;
  std::istringstream in(trace);
  std::string line;
  while (std::getline(in, line)) {
    if (line.find('\t') == std::string::npos) continue;
    std::map<std::string, std::string> fields;
    std::istringstream parts(line);
    std::string part;
    while (std::getline(parts, part, '\t')) {
      const size_t eq = part.find('=');
      fields[part.substr(0, eq)] = part.substr(eq + 1);
    }
    frames.push_back(fields);
  }
  return frames;
}

// The first frame whose `field` reads `value`, 0 for none.
int32_t FirstFrame(std::vector<std::map<std::string, std::string>>& frames, const std::string& field,
                   const std::string& value) {
  for (size_t f = 0; f < frames.size(); ++f) {
    if (frames[f][field] == value) return static_cast<int32_t>(f + 1);
  }
  return 0;
}

// Level ends stand in for the cross and the death the game does not yet
// bring about: the run follows the game through the level-end screens and the
// map screen between the levels of a pack, and stops when the game is over.
class LevelEndRunTest : public ReplayToolTest {
 protected:
  void SetUp() override {
    ReplayToolTest::SetUp();
    fs::create_directories(Path("pack"));
    // File order differs from title order.
    WriteBytes(Path("pack/a.xml"), "<title>02 - Second</title>\r\n<from>40,100</from>\r\n<to>60,100</to>\r\n");
    WriteBytes(Path("pack/b.xml"), "<title>01 - First</title>\r\n<from>40,100</from>\r\n<to>60,100</to>\r\n");
    options_.level = Path("pack");
    options_.trace = true;
  }

  // Fire in every tenth frame from frame 10 on, which leaves a map screen
  // between levels once the map is fully shown, and Enter five frames
  // later, which confirms a name entry.
  static replay::Script FireAndEnterEveryTenFrames(int32_t last) {
    std::string text;
    for (int32_t f = 10; f <= last; f += 10) text += std::to_string(f) + " fire\n" + std::to_string(f + 5) + " enter\n";
    return replay::ParseScript(text + "end " + std::to_string(last) + "\n", "fire");
  }

  replay::Options options_;
  std::ostringstream trace_;
};

TEST_F(LevelEndRunTest, CompletedLevelsLeadThroughTheMapScreenToTheNextLevelAndTheGameEnd) {
  int32_t secondFrames = 0;
  const replay::Report r = replay::Run(options_, FireAndEnterEveryTenFrames(2000), trace_, [&](int32_t frame) {
    if (frame == 3) endoflevel = 1;
    if (Uselevel->Title == "02 - Second" && endoflevel == 0 && ++secondFrames == 5) endoflevel = 1;
  });
  auto frames = TraceFrames(trace_.str());
  ASSERT_EQ(static_cast<int32_t>(frames.size()), r.frames);
  auto at = [&](int32_t frame) { return frames[static_cast<size_t>(frame - 1)]; };
  EXPECT_EQ(at(2)["state"], "playing");
  EXPECT_EQ(at(2)["levels_completed"], "0");
  EXPECT_EQ(at(3)["state"], "level-complete");
  EXPECT_EQ(at(3)["levels_completed"], "1");
  EXPECT_EQ(at(3)["level"], "01 - First");

  // The second level's map screen counts its frames; the level-complete
  // state lasts until the level begins.
  int32_t mapFrom = 0, playFrom = 0;
  for (int32_t f = 1; f <= r.frames; ++f) {
    if (mapFrom == 0 && at(f)["level"] == "02 - Second") mapFrom = f;
    if (mapFrom != 0 && playFrom == 0 && at(f)["state"] == "playing") playFrom = f;
  }
  ASSERT_GT(mapFrom, 3 + 120);
  ASSERT_GT(playFrom, mapFrom + 60);
  for (int32_t f = 3; f < playFrom; ++f) EXPECT_EQ(at(f)["state"], "level-complete") << f;
  EXPECT_EQ(at(playFrom)["levels_completed"], "1");
  EXPECT_EQ(at(playFrom + 4)["state"], "level-complete");
  EXPECT_EQ(at(playFrom + 4)["levels_completed"], "2");

  // No level follows the second (the player's own level is passed over):
  // the game ends at its decision, and the run once the game would be back
  // on the title screen, well before the script ends.
  const int32_t end = FirstFrame(frames, "state", "game-end");
  ASSERT_GT(end, playFrom + 4 + 100);
  for (int32_t f = playFrom + 4; f < end; ++f) EXPECT_EQ(at(f)["state"], "level-complete") << f;
  for (int32_t f = end; f <= r.frames; ++f) EXPECT_EQ(at(f)["state"], "game-end") << f;
  EXPECT_EQ(r.state, "game-end");
  EXPECT_EQ(r.level, "02 - Second");
  EXPECT_EQ(r.levelsCompleted, 2);
  EXPECT_LT(r.frames, 2000);
}

TEST_F(LevelEndRunTest, AGameOverEndsTheGameAtItsDecision) {
  const replay::Report r = replay::Run(options_, FireAndEnterEveryTenFrames(1000), trace_, [&](int32_t frame) {
    if (frame == 2) endoflevel = 2;
  });
  auto frames = TraceFrames(trace_.str());
  ASSERT_EQ(static_cast<int32_t>(frames.size()), r.frames);
  EXPECT_EQ(frames[0]["state"], "playing");
  // The level end runs from frame 3 on; its 120th frame takes the decision.
  const int32_t end = FirstFrame(frames, "state", "game-end");
  EXPECT_EQ(end, 2 + 120);
  for (int32_t f = 2; f < end; ++f) EXPECT_EQ(frames[static_cast<size_t>(f - 1)]["state"], "game-over") << f;
  EXPECT_EQ(r.state, "game-end");
  EXPECT_EQ(r.level, "01 - First");
  EXPECT_EQ(r.levelsCompleted, 0);
  EXPECT_LT(r.frames, 1000);
}

// Any white space but the line's end separates words, and a line of
// nothing else is blank, whichever kind it holds; a script of such lines
// plays nothing (it crashed the tool).
TEST_F(ReplayToolTest, EveryKindOfWhiteSpaceSeparatesWordsAndMakesNoInstruction) {
  for (const std::string blank : {"\v", "\f", "\r\r", "\r\r\r", " \t\v\f\r ", "\v\r", "\f# a comment", "\v#"}) {
    SCOPED_TRACE(::testing::PrintToString(blank));
    const replay::Script s = replay::ParseScript(blank + "\n" + blank, "s");
    EXPECT_TRUE(s.holds.empty());
    EXPECT_TRUE(s.moves.empty());
    EXPECT_TRUE(s.typing.empty());
    EXPECT_EQ(s.lastFrame, 0);
  }
  const replay::Script s =
      replay::ParseScript("\v1-2\fleft+fire\r\r\n\f3\vtype\vAb\n\r4\tmouse\v1\f2\r\nend\v9\f# done\n", "s");
  ASSERT_EQ(s.holds.size(), 1u);
  EXPECT_EQ(s.holds[0].from, 1);
  EXPECT_EQ(s.holds[0].to, 2);
  EXPECT_EQ(s.holds[0].controls, (std::vector<Control>{{ControlKind::Action, 3}, {ControlKind::Action, 10}}));
  ASSERT_EQ(s.typing.size(), 1u);
  EXPECT_EQ(s.typing[0].frame, 3);
  EXPECT_EQ(s.typing[0].text, "Ab");
  ASSERT_EQ(s.moves.size(), 1u);
  EXPECT_EQ(s.moves[0].frame, 4);
  EXPECT_EQ(s.moves[0].x, 1.0f);
  EXPECT_EQ(s.moves[0].y, 2.0f);
  EXPECT_EQ(s.lastFrame, 9);

  ToolProcess tool({level_, Script("\v\n\f\n\r\r\n")}, {"", Path("out.txt"), Path("err.txt")});
  ASSERT_TRUE(tool.Started());
  ASSERT_TRUE(tool.End(std::chrono::seconds(120)));
  EXPECT_EQ(tool.ExitStatus(), 0) << "killed by signal " << tool.KilledBy();
  EXPECT_EQ(ReadBytes(Path("err.txt")), "");
  EXPECT_EQ(ReadBytes(Path("out.txt")).rfind("frames=0\n", 0), 0u);
}

// The controls a script holds in a frame, straight from its instructions.
std::set<std::pair<int, int32_t>> HeldIn(const replay::Script& s, int32_t frame) {
  std::set<std::pair<int, int32_t>> held;
  for (const replay::Hold& h : s.holds) {
    if (frame < h.from || frame > h.to) continue;
    for (const Control& c : h.controls) held.insert({static_cast<int>(c.kind), c.code});
  }
  return held;
}

// A run asks for its frames' input in turn: it gets what the instructions
// say, and the instructions are looked at a few times each over the whole
// run, not once a frame each, so that a long recorded session replays in
// time in proportion to its length.
TEST_F(ReplayToolTest, AScriptsInputCostsItsLengthNotItsLengthSquared) {
  // Overlapping ranges of the same control, ranges inside ranges, frames
  // named out of order, moves and typing in the same frame.
  std::string text = "5-40 left\n1-8 left+fire\n30 right\n12-12 lmb\n3 mouse 1 2\n3 mouse 5 6\n3 type a\n3 type b\n";
  text += "9-20 key:90\n60 jump\n10-30 left\n2 type c\n45 mouse 7 8\n";
  const replay::Script s = replay::ParseScript(text, "mixed");
  replay::ScriptInput input(s);
  for (int32_t frame = 1; frame <= 70; ++frame) {
    SCOPED_TRACE(frame);
    const replay::FrameInput in = input.For(frame);
    std::set<std::pair<int, int32_t>> held;
    for (const Control& c : in.held) EXPECT_TRUE(held.insert({static_cast<int>(c.kind), c.code}).second);
    EXPECT_EQ(held, HeldIn(s, frame));
    std::vector<std::pair<float, float>> moves, expectedMoves;
    for (const replay::MouseMove& m : in.moves) moves.emplace_back(m.x, m.y);
    for (const replay::MouseMove& m : s.moves) {
      if (m.frame == frame) expectedMoves.emplace_back(m.x, m.y);
    }
    EXPECT_EQ(moves, expectedMoves);
    std::vector<std::string> expectedTyped;
    for (const replay::Typing& t : s.typing) {
      if (t.frame == frame) expectedTyped.push_back(t.text);
    }
    EXPECT_EQ(in.typed, expectedTyped);
  }

  // A recorded session: an instruction in every frame.
  for (const int32_t frames : {1000, 8000}) {
    SCOPED_TRACE(frames);
    std::string session;
    for (int32_t f = 1; f <= frames; ++f) {
      session += std::to_string(f) + (f % 3 == 0 ? "-" + std::to_string(f + 5) + " left\n" : " fire\n");
      if (f % 50 == 0) session += std::to_string(f) + " mouse 1 1\n" + std::to_string(f) + " type x\n";
    }
    const replay::Script recorded = replay::ParseScript(session, "session");
    const int64_t instructions =
        static_cast<int64_t>(recorded.holds.size() + recorded.moves.size() + recorded.typing.size());
    replay::ScriptInput played(recorded);
    for (int32_t f = 1; f <= recorded.lastFrame; ++f) played.For(f);
    EXPECT_LE(played.Looks(), 3 * instructions);
  }
}

// A link planted in the folder the run's files are kept in is never written
// through: a file that is a symbolic link or one of several hard links is
// replaced by the run's file, and its target stays as it was; a folder of the
// kept tree that is a link is refused (status 1) and nothing is written
// through it.
TEST_F(ReplayToolTest, KeepingTheRunsFilesNeverWritesThroughALink) {
  const fs::path outside = dir_ / "outside";
  fs::create_directories(outside / "folder");
  WriteBytes((outside / "settings").string(), "someone's settings");
  WriteBytes((outside / "log").string(), "someone's log");
  WriteBytes((outside / "level").string(), "someone's level");
  WriteBytes((outside / "folder" / "Setup.ini").string(), "someone's folder");

  // Links to files: replaced.
  const fs::path keep = dir_ / "kept";
  fs::create_directories(keep / "Files");
  fs::create_directories(keep / "DuskmoorII_Levels");
  fs::create_symlink(outside / "settings", keep / "Files" / "Setup.ini");
  fs::create_hard_link(outside / "log", keep / "Files" / "Debug.txt");
  fs::create_hard_link(outside / "level", keep / "DuskmoorII_Levels" / "moor.xml");
  const Result res = RunTool({level_, Script("end 1\n"), "--keep", keep.string()});
  EXPECT_EQ(res.status, 0) << res.err;
  EXPECT_EQ(ReadBytes((outside / "settings").string()), "someone's settings");
  EXPECT_EQ(ReadBytes((outside / "log").string()), "someone's log");
  EXPECT_EQ(ReadBytes((outside / "level").string()), "someone's level");
  EXPECT_FALSE(fs::is_symlink(keep / "Files" / "Setup.ini"));
  EXPECT_EQ(ReadBytes((keep / "Files" / "Setup.ini").string()), "Width=1280\r\nHeight=960\r\n");
  EXPECT_NE(ReadBytes((keep / "Files" / "Debug.txt").string()).find("Finished Loading"), std::string::npos);
  EXPECT_EQ(ReadBytes((keep / "DuskmoorII_Levels" / "moor.xml").string()), kLevel);
  EXPECT_EQ(fs::hard_link_count(outside / "log"), 1u);

  // Links to folders, at the top of the kept tree or deeper: refused.
  const std::vector<fs::path> folderLinks = {"Files", "DuskmoorII_Levels", fs::path("Files") / "256"};
  int n = 0;
  for (const fs::path& link : folderLinks) {
    SCOPED_TRACE(link.string());
    const fs::path into = dir_ / ("kept" + std::to_string(++n));
    fs::create_directories((into / link).parent_path());
    fs::create_symlink(outside / "folder", into / link);
    const Result refused = RunTool({level_, Script("end 1\n"), "--keep", into.string()});
    EXPECT_EQ(refused.status, 1);
    EXPECT_EQ(refused.err, "replay: cannot keep the run's files: " + (into / link).string() + " is not a folder\n");
    EXPECT_EQ(refused.out, "");
    EXPECT_TRUE(fs::is_symlink(into / link));
    std::vector<std::string> names = Entries(outside / "folder");
    EXPECT_EQ(names, std::vector<std::string>{"Setup.ini"});
    EXPECT_EQ(ReadBytes((outside / "folder" / "Setup.ini").string()), "someone's folder");
  }
}

// An output that writes nothing and holds a fixed buffer: it needs no memory.
class FixedStream : public std::ostream {
 public:
  FixedStream() : std::ostream(&buf_) {}
  std::string Text() const { return std::string(buf_.Begin(), buf_.End()); }

 private:
  struct Buf : std::streambuf {
    char bytes[512];
    Buf() { setp(bytes, bytes + sizeof bytes); }
    const char* Begin() const { return pbase(); }
    const char* End() const { return pptr(); }
  } buf_;
};

// TMPDIR for the cases that run in this process; put back afterwards.
class TempDirFor {
 public:
  explicit TempDirFor(const fs::path& dir) {
    if (const char* before = std::getenv("TMPDIR")) before_ = before;
    ::setenv("TMPDIR", dir.c_str(), 1);
  }
  ~TempDirFor() {
    if (before_) ::setenv("TMPDIR", before_->c_str(), 1);
    else ::unsetenv("TMPDIR");
  }

 private:
  std::optional<std::string> before_;
};

// Memory running out in the middle of a run ends it with status 1 and one
// line, and the run's copy goes all the same: its removal needs no memory.
TEST_F(ReplayToolTest, MemoryRunningOutEndsTheRunWithStatusOneAndNoCopyLeft) {
  const fs::path tmp = dir_ / "tmp";
  fs::create_directories(tmp);
  const std::string script = Script("1-9 right\nend 10\n");
  FixedStream out, err;
  int status = -1;
  {
    const TempDirFor tempDir(tmp);
    // The trace line of the frame is made right after: the next allocation.
    status = replay::Main({level_, script, "--trace"}, out, err, [](int32_t frame) {
      if (frame == 3) testutil::TakeAllMemory();
    });
    testutil::LiftMemoryCeiling();
  }
  EXPECT_EQ(status, 1);
  EXPECT_EQ(err.Text(), "replay: out of memory\n");
  std::string left;
  for (const std::string& name : Entries(tmp)) left += name + " ";
  EXPECT_EQ(left, "");
}

// Every way the run fails after its copy is made takes the copy along.
TEST_F(ReplayToolTest, ARunThatFailsLeavesNoCopyBehind) {
  WriteBytes(Path("a-file"), "");
  struct Case {
    std::vector<std::string> args;
    std::string out;
    std::string err;
  };
  const std::vector<Case> cases = {
      {{level_, Script("end 1\n")}, "/dev/full", "replay: cannot write the report\n"},
      {{level_, Script("end 1\n"), "--keep", Path("a-file")}, Path("out.txt"),
       "replay: cannot keep the run's files: " + Path("a-file") + " is not a folder\n"},
  };
  int n = 0;
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.err);
    const fs::path tmp = dir_ / ("tmp" + std::to_string(++n));
    fs::create_directories(tmp);
    ToolProcess tool(cs.args, {tmp.string(), cs.out, Path("err.txt")});
    ASSERT_TRUE(tool.Started());
    ASSERT_TRUE(tool.End(std::chrono::seconds(120)));
    EXPECT_EQ(tool.ExitStatus(), 1) << "killed by signal " << tool.KilledBy();
    EXPECT_EQ(ReadBytes(Path("err.txt")), cs.err);
    std::string left;
    for (const std::string& name : Entries(tmp)) left += name + " ";
    EXPECT_EQ(left, "");
  }
}

// TMPDIR set but empty names no folder: the copy goes to /tmp, as when
// TMPDIR is unset. A relative TMPDIR is taken from the current folder. Either
// way the copy is made there and goes with the run.
TEST_F(ReplayToolTest, AnEmptyOrRelativeTmpdirHoldsTheCopyAndTheCopyGoes) {
  const fs::path tmp = dir_ / "tmp";
  fs::create_directories(tmp);
  struct Case {
    std::string tmpdir;
    fs::path folder;  // where the copy is made
  };
  const std::vector<Case> cases = {
      {"", "/tmp"},
      {fs::relative(tmp, fs::current_path()).string(), tmp},
  };
  const std::string script = Script("end 2\n");
  for (const Case& cs : cases) {
    SCOPED_TRACE("TMPDIR=" + cs.tmpdir);
    std::string copy;
    std::ostringstream out, err;
    int status = -1;
    {
      const TempDirFor tempDir(cs.tmpdir);
      // The game's root folder is the copy.
      status = replay::Main({level_, script}, out, err, [&](int32_t) { copy = Paths.root; });
    }
    EXPECT_EQ(status, 0) << err.str();
    EXPECT_EQ(err.str(), "");
    EXPECT_EQ(out.str().rfind("frames=2\n", 0), 0u) << out.str();
    ASSERT_FALSE(copy.empty());
    if (copy.back() == '/') copy.pop_back();
    EXPECT_EQ(fs::path(copy).filename().string().rfind("duskmoor-replay-", 0), 0u) << copy;
    std::error_code ec;
    EXPECT_TRUE(fs::equivalent(fs::path(copy).parent_path(), cs.folder, ec)) << copy;
    EXPECT_FALSE(fs::exists(copy, ec)) << copy;
  }
  std::string left;
  for (const std::string& name : Entries(tmp)) left += name + " ";
  EXPECT_EQ(left, "");
}

// A file-size limit that the copy of the game data cannot meet is met as a
// full disk: the run fails with status 1 and one line saying why, and the
// part of the copy made so far goes.
TEST_F(ReplayToolTest, ACopyBeyondTheFileSizeLimitFailsWithStatusOneAndLeavesNothing) {
  const fs::path tmp = dir_ / "tmp";
  fs::create_directories(tmp);
  // The game's pictures and sounds take more than this; the line fits.
  ToolProcess::Setup setup{tmp.string(), Path("out.txt"), Path("err.txt")};
  setup.fileSizeLimit = 100000;
  ToolProcess tool({level_, Script("end 1\n")}, setup);
  ASSERT_TRUE(tool.Started());
  ASSERT_TRUE(tool.End(std::chrono::seconds(120)));
  EXPECT_EQ(tool.ExitStatus(), 1) << "killed by signal " << tool.KilledBy();
  const std::string err = ReadBytes(Path("err.txt"));
  const std::string head = "replay: cannot copy the game data into " + tmp.string() + "/duskmoor-replay-";
  const std::string tail = "/Files: File too large\n";
  EXPECT_EQ(err.rfind(head, 0), 0u) << err;
  EXPECT_TRUE(err.ends_with(tail)) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_EQ(ReadBytes(Path("out.txt")), "");
  std::string left;
  for (const std::string& name : Entries(tmp)) left += name + " ";
  EXPECT_EQ(left, "");
}

// A folder the run needs and cannot make (its copy in TMPDIR, the folder
// --keep names) fails the run with status 1 and one line that gives the
// system's reason, and leaves nothing behind. As a user who may not write
// everywhere.
TEST_F(ReplayToolTest, AFolderTheRunCannotMakeFailsItWithTheSystemsReason) {
  WriteBytes(Path("a-file"), "");
  fs::create_directories(Path("ro"));
  fs::permissions(Path("ro"), fs::perms(0555));
  const std::string relativeGone = (fs::relative(dir_, fs::current_path()) / "gone").string();
  const std::string script = Script("end 1\n");
  struct Case {
    std::string tmpdir;  // empty: a folder the user may write in
    std::vector<std::string> more;
    std::string err;
  };
  const std::string noTmp = "replay: cannot make a temporary folder in ";
  const std::string noKeep = "replay: cannot keep the run's files: cannot make ";
  const std::vector<Case> cases = {
      {Path("a-file"), {}, noTmp + Path("a-file") + ": Not a directory\n"},
      {Path("gone"), {}, noTmp + Path("gone") + ": No such file or directory\n"},
      {relativeGone, {}, noTmp + relativeGone + ": No such file or directory\n"},
      {Path("ro"), {}, noTmp + Path("ro") + ": Permission denied\n"},
      {"", {"--keep", Path("ro/x")}, noKeep + Path("ro/x") + ": Permission denied\n"},
      {"", {"--keep", Path("ro/x/y")}, noKeep + Path("ro/x/y") + ": Permission denied\n"},
  };
  int n = 0;
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.err);
    const fs::path tmp = dir_ / ("tmp" + std::to_string(++n));
    fs::create_directories(tmp);
    fs::permissions(tmp, fs::perms::all);
    std::vector<std::string> args = {level_, script};
    args.insert(args.end(), cs.more.begin(), cs.more.end());
    ToolProcess tool(args, {cs.tmpdir.empty() ? tmp.string() : cs.tmpdir, Path("out.txt"), Path("err.txt"), 0, true});
    ASSERT_TRUE(tool.Started());
    ASSERT_TRUE(tool.End(std::chrono::seconds(120)));
    EXPECT_EQ(tool.ExitStatus(), 1) << "killed by signal " << tool.KilledBy();
    EXPECT_EQ(ReadBytes(Path("err.txt")), cs.err);
    EXPECT_EQ(ReadBytes(Path("out.txt")), "");
    std::string left;
    for (const std::string& name : Entries(tmp)) left += name + " ";
    for (const std::string& name : Entries(Path("ro"))) left += "ro/" + name + " ";
    EXPECT_EQ(left, "");
    EXPECT_FALSE(fs::exists(Path("gone")));
  }
}

// The run's own files are read again to be kept: one that cannot be read
// then (taken away from the user meanwhile) fails the run with the system's
// reason. As a user whom permissions bind, in a process of its own.
TEST_F(ReplayToolTest, KeepingARunsFileThatCannotBeReadFailsWithTheSystemsReason) {
  const fs::path player = dir_ / "player";
  fs::create_directories(player);
  fs::permissions(player, fs::perms::all);
  const std::string script = Script("end 2\n");
  struct Case {
    std::string spoiled;  // in the run's copy
    bool folder;          // made, empty; else an existing file
    std::string what;
  };
  const std::vector<Case> cases = {
      {"Files/256/gfx.png", false, "file"},
      {"Files/spoiled", true, "folder"},
  };
  int n = 0;
  for (const Case& cs : cases) {
    SCOPED_TRACE(cs.spoiled);
    const std::string id = std::to_string(++n);
    const fs::path tmp = player / ("tmp" + id), keep = player / ("kept" + id);
    const std::string copyFile = (player / ("copy" + id)).string(), errFile = (player / ("err" + id)).string();
    fs::create_directories(tmp);
    fs::permissions(tmp, fs::perms::all);
    const pid_t pid = ::fork();
    if (pid == 0) {
      ::setenv("TMPDIR", tmp.c_str(), 1);
      if (!BecomePlayer()) ::_exit(126);
      std::ostringstream out, err;
      const int status = replay::Main({level_, script, "--keep", keep.string()}, out, err, [&](int32_t frame) {
        if (frame != 1) return;
        const std::string spoiled = Paths.root + cs.spoiled;
        if (cs.folder ? ::mkdir(spoiled.c_str(), 0) != 0 : ::chmod(spoiled.c_str(), 0) != 0) ::_exit(125);
        WriteBytes(copyFile, Paths.root);
      });
      WriteBytes(errFile, err.str());
      ::_exit(status);
    }
    ASSERT_GT(pid, 0);
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFEXITED(status)) << status;
    EXPECT_EQ(WEXITSTATUS(status), 1);
    const std::string root = ReadBytes(copyFile);
    ASSERT_FALSE(root.empty());
    EXPECT_EQ(ReadBytes(errFile), "replay: cannot keep the run's files: cannot read the run's " + cs.what + " " + root +
                                      cs.spoiled + ": Permission denied\n");
    // A folder its user may not read stays behind with what holds it; its
    // owner may take it away.
    std::error_code ec;
    if (cs.folder) fs::permissions(root + cs.spoiled, fs::perms::owner_all, ec);
  }
}

}  // namespace
