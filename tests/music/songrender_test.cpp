// The song renderer on the shipped rule file: reproducible, seed-dependent,
// audible and unclipped; its exit status for bad arguments, a rule file it
// cannot read, an output that is no regular file and a song it cannot write
// (a file-size limit included); and a signal during its write.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <sys/ptrace.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/syscall.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <sys/wait.h>

#include <csignal>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

#include "common/test_util.h"

namespace {

namespace fs = std::filesystem;

class SongRenderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const char* tool = std::getenv("SONGRENDER");
    const char* game = std::getenv("DUSKMOOR_GAME_DIR");
    ASSERT_NE(tool, nullptr);
    ASSERT_NE(game, nullptr);
    tool_ = tool;
    rules_ = std::string(game) + "/Files/256/music/moor.ini";
    ASSERT_TRUE(fs::exists(rules_)) << rules_;
    dir_ = fs::temp_directory_path() / ("duskmoor-songrender-" + std::to_string(::getpid()) + "-" +
                                        ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(dir_);
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  // Runs the tool with these arguments; its exit status, stderr kept in err_.
  int Run(const std::string& args) {
    const std::string errFile = (dir_ / "stderr.txt").string();
    const std::string cmd = "'" + tool_ + "' " + args + " 2>'" + errFile + "'";
    const int status = std::system(cmd.c_str());
    err_ = testutil::ReadBytes(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  // Runs the tool with these arguments as a player would: a superuser
  // running the tests gives up its rights in the tool's process first, so
  // that the file permissions bind the tool. Its exit status; stderr in err_.
  int RunAsPlayer(const std::vector<std::string>& args) { return RunChild(args, true, RLIM_INFINITY); }
  // Runs the tool with these arguments under a file-size limit of `bytes`
  // (ulimit -f). Its exit status, or -1 when a signal ended it; stderr in err_.
  int RunLimited(const std::vector<std::string>& args, rlim_t bytes) { return RunChild(args, false, bytes); }
  int RunChild(const std::vector<std::string>& args, bool asPlayer, rlim_t fileSizeLimit) {
    const std::string errFile = (dir_ / "stderr.txt").string();
    std::vector<std::string> argv = {tool_};
    argv.insert(argv.end(), args.begin(), args.end());
    std::vector<char*> argp;
    for (std::string& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
      const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err < 0 || ::dup2(err, 2) < 0) ::_exit(126);
      const uid_t nobody = 65534;
      if (asPlayer && ::geteuid() == 0 &&
          (::setgroups(0, nullptr) != 0 || ::setgid(nobody) != 0 || ::setuid(nobody) != 0))
        ::_exit(126);
      struct rlimit lim{};
      if (fileSizeLimit != RLIM_INFINITY) {
        if (::getrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(126);
        lim.rlim_cur = fileSizeLimit;
        if (::setrlimit(RLIMIT_FSIZE, &lim) != 0) ::_exit(126);
      }
      ::execv(argp[0], argp.data());
      ::_exit(127);
    }
    int status = 0;
    if (pid < 0 || ::waitpid(pid, &status, 0) != pid) return -1;
    err_ = testutil::ReadBytes(errFile);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  }
  std::string Render(int32_t seed, int seconds, const std::string& name) {
    const std::string out = (dir_ / name).string();
    EXPECT_EQ(Run("'" + rules_ + "' " + std::to_string(seed) + " 250 " + std::to_string(seconds) + " '" + out + "'"), 0)
        << err_;
    return testutil::ReadBytes(out);
  }

  std::string tool_, rules_, err_;
  fs::path dir_;
};

uint32_t U32(const std::string& b, size_t at) {
  uint32_t v = 0;
  std::memcpy(&v, b.data() + at, 4);
  return v;
}
uint16_t U16(const std::string& b, size_t at) {
  uint16_t v = 0;
  std::memcpy(&v, b.data() + at, 2);
  return v;
}

TEST_F(SongRenderTest, ASeedGivesOneSongAndAnotherSeedAnother) {
  const std::string a = Render(1234, 12, "a.wav");
  const std::string again = Render(1234, 12, "again.wav");
  const std::string other = Render(1235, 12, "other.wav");
  ASSERT_FALSE(a.empty());
  EXPECT_TRUE(a == again);
  EXPECT_EQ(other.size(), a.size());
  EXPECT_FALSE(other == a);
}

TEST_F(SongRenderTest, TheSongIsAudibleAndNeverClips) {
  const int seconds = 20;
  const std::string wav = Render(7, seconds, "song.wav");
  ASSERT_GE(wav.size(), 44u);
  EXPECT_EQ(wav.substr(0, 4), "RIFF");
  EXPECT_EQ(wav.substr(8, 8), "WAVEfmt ");
  EXPECT_EQ(U16(wav, 20), 1);  // PCM
  EXPECT_EQ(U16(wav, 22), 2);  // stereo
  EXPECT_EQ(U32(wav, 24), 44100u);
  EXPECT_EQ(U16(wav, 34), 16);
  EXPECT_EQ(wav.substr(36, 4), "data");
  const uint32_t bytes = U32(wav, 40);
  EXPECT_EQ(bytes, static_cast<uint32_t>(seconds) * 44100u * 4u);
  ASSERT_EQ(wav.size(), 44u + bytes);

  std::vector<int16_t> s(bytes / 2);
  std::memcpy(s.data(), wav.data() + 44, bytes);
  // The first row is due a quarter second in: silence until then.
  for (size_t i = 0; i < 2 * 44100 / 5; ++i) ASSERT_EQ(s[i], 0) << i;
  double energy = 0;
  int peak = 0;
  size_t longestRun = 0;
  for (size_t ch = 0; ch < 2; ++ch) {
    size_t run = 0;
    for (size_t i = ch; i < s.size(); i += 2) {
      energy += static_cast<double>(s[i]) * s[i];
      peak = std::max(peak, std::abs(static_cast<int>(s[i])));
      run = s[i] >= 32767 || s[i] <= -32767 ? run + 1 : 0;
      longestRun = std::max(longestRun, run);
    }
  }
  const double rms = std::sqrt(energy / static_cast<double>(s.size()));
  EXPECT_GT(rms, 300.0);  // about -40 dBFS
  EXPECT_GT(peak, 3000);
  EXPECT_EQ(longestRun, 0u);
  // Every second after the first has sound in it: the song does not stop.
  for (int sec = 1; sec < seconds; ++sec) {
    int loud = 0;
    for (size_t i = static_cast<size_t>(sec) * 88200; i < static_cast<size_t>(sec + 1) * 88200; ++i)
      loud = std::max(loud, std::abs(static_cast<int>(s[i])));
    EXPECT_GT(loud, 500) << "second " << sec;
  }
}

TEST_F(SongRenderTest, BadArgumentsGetOneLineAndStatus2) {
  const std::string out = "'" + (dir_ / "x.wav").string() + "'";
  const std::string rules = "'" + rules_ + "'";
  const std::vector<std::string> cases = {
      "",
      rules + " 1 250 5",
      rules + " 1 250 5 " + out + " extra",
      rules + " seed 250 5 " + out,
      rules + " 1 fast 5 " + out,
      rules + " 1 0 5 " + out,
      rules + " 1 250 0 " + out,
      rules + " 1 250 -3 " + out,
      rules + " 1 250 2.5 " + out,
      rules + " 99999999999 250 5 " + out,
      rules + " 1 250 5 ''",
      "'" + (dir_ / "missing.ini").string() + "' 1 250 5 " + out,
      "'" + dir_.string() + "' 1 250 5 " + out,
  };
  for (const std::string& args : cases) {
    SCOPED_TRACE(args);
    EXPECT_EQ(Run(args), 2);
    ASSERT_FALSE(err_.empty());
    EXPECT_EQ(err_.find('\n'), err_.size() - 1) << err_;
    EXPECT_EQ(err_.rfind("songrender: ", 0), 0u) << err_;
  }
  EXPECT_FALSE(fs::exists(dir_ / "x.wav"));
}

TEST_F(SongRenderTest, AnOutputThatCannotBeWrittenGetsOneLineAndStatus1) {
  testutil::WriteBytes((dir_ / "a-file").string(), "");
  struct Case {
    fs::path out;
    std::string why;
  };
  for (const Case& cs : {Case{dir_ / "missing" / "x.wav", "No such file or directory"},
                         Case{dir_ / "a-file" / "x.wav", "Not a directory"}}) {
    SCOPED_TRACE(cs.out.string());
    EXPECT_EQ(Run("'" + rules_ + "' 1 250 2 '" + cs.out.string() + "'"), 1);
    EXPECT_EQ(err_, "songrender: cannot write " + cs.out.string() + ": " + cs.why + "\n");
  }
  EXPECT_FALSE(fs::exists(dir_ / "missing"));
  EXPECT_EQ(testutil::ReadBytes((dir_ / "a-file").string()), "");
}

// A file-size limit is met as a full disk: the write fails, the tool says
// why in one line with status 1, the unfinished file goes and the song that
// had the name stays as it was.
TEST_F(SongRenderTest, AFileSizeLimitIsMetAsAFullDiskWithOneLineAndStatus1) {
  const fs::path out = dir_ / "song.wav";
  testutil::WriteBytes(out.string(), "the old song");
  // Two seconds of song take far more than 8 KB; the line on stderr fits.
  EXPECT_EQ(RunLimited({rules_, "1", "250", "2", out.string()}, 8192), 1) << err_;
  EXPECT_EQ(err_, "songrender: cannot write " + out.string() + ": File too large\n");
  EXPECT_FALSE(fs::exists(fs::symlink_status(out.string() + ".tmp")));
  EXPECT_EQ(testutil::ReadBytes(out.string()), "the old song");
}

// A rule file the player cannot read is refused as a missing one is, rather
// than taken for rules without a line, which would play silence.
TEST_F(SongRenderTest, ARuleFileThatCannotBeReadGetsOneLineAndStatus2) {
  const fs::path rules = dir_ / "locked.ini";
  fs::copy_file(rules_, rules);
  fs::permissions(rules, fs::perms::none);
  // Whoever runs the tool may write the song here.
  fs::permissions(dir_, fs::perms::all);
  const fs::path out = dir_ / "x.wav";
  EXPECT_EQ(RunAsPlayer({rules.string(), "1", "250", "2", out.string()}), 2) << err_;
  EXPECT_EQ(err_, "songrender: cannot read the rule file " + rules.string() +
                      " (usage: songrender RULES.ini SEED TEMPO SECONDS OUT.wav)\n");
  EXPECT_FALSE(fs::exists(out));
}

// What has the output's name and is no regular file is refused before
// anything is written, and stays as it was: renaming the song over it would
// turn a pipe or a device into a file. A symbolic link is refused too, even
// one to a regular file: the rename would replace the link, not its target.
TEST_F(SongRenderTest, AnOutputThatIsNoRegularFileIsRefusedWithStatus2AndLeftAlone) {
  const fs::path target = dir_ / "target.wav";
  testutil::WriteBytes(target.string(), "the target");
  std::vector<fs::path> outputs;
  outputs.push_back(dir_ / "pipe.wav");
  ASSERT_EQ(::mkfifo(outputs.back().c_str(), 0644), 0);
  // Only the superuser may make a device; the null device's numbers.
  if (::mknod((dir_ / "device.wav").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) outputs.push_back(dir_ / "device.wav");
  outputs.push_back(dir_ / "socket.wav");
  const int sock = ::socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(sock, 0);
  sockaddr_un addr{};
  addr.sun_family = AF_UNIX;
  ASSERT_LT(outputs.back().string().size(), sizeof addr.sun_path);
  std::strcpy(addr.sun_path, outputs.back().c_str());
  ASSERT_EQ(::bind(sock, reinterpret_cast<const sockaddr*>(&addr), sizeof addr), 0);
  outputs.push_back(dir_ / "folder.wav");
  fs::create_directories(outputs.back());
  outputs.push_back(dir_ / "link.wav");
  fs::create_symlink(target, outputs.back());
  outputs.push_back(dir_ / "dangling.wav");
  fs::create_symlink(dir_ / "gone.wav", outputs.back());

  for (const fs::path& out : outputs) {
    SCOPED_TRACE(out.string());
    struct stat before{}, after{};
    ASSERT_EQ(::lstat(out.c_str(), &before), 0);
    EXPECT_EQ(Run("'" + rules_ + "' 1 250 2 '" + out.string() + "'"), 2);
    EXPECT_EQ(err_, "songrender: the output is not a regular file: " + out.string() +
                        " (usage: songrender RULES.ini SEED TEMPO SECONDS OUT.wav)\n");
    ASSERT_EQ(::lstat(out.c_str(), &after), 0);
    EXPECT_EQ(after.st_mode, before.st_mode);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_rdev, before.st_rdev);
    EXPECT_FALSE(fs::exists(fs::symlink_status(out.string() + ".tmp")));
  }
  ::close(sock);
  EXPECT_EQ(testutil::ReadBytes(target.string()), "the target");
  EXPECT_FALSE(fs::exists(dir_ / "gone.wav"));
}

// SIGTERM, SIGINT and SIGHUP during the write end the tool with 128 + the
// signal's number and take the unfinished file along; the song that had the
// name stays as it was. A signal the tool was started with as ignored stays
// ignored. The tool is held, traced, at its flush of the written file, so the
// signal lands in the write on every machine.
TEST_F(SongRenderTest, ASignalDuringTheWriteLeavesNoUnfinishedFile) {
  struct Case {
    int signal;
    int ignored;
  };
  const fs::path out = dir_ / "song.wav";
  const fs::path unfinished = dir_ / "song.wav.tmp";
  for (const Case& cs : std::vector<Case>{{SIGTERM, 0}, {SIGINT, 0}, {SIGHUP, 0}, {SIGTERM, SIGHUP}}) {
    SCOPED_TRACE("signal " + std::to_string(cs.signal) + ", ignored " + std::to_string(cs.ignored));
    testutil::WriteBytes(out.string(), "the old song");
    std::vector<std::string> argv = {tool_, rules_, "1", "250", "2", out.string()};
    std::vector<char*> argp;
    for (std::string& a : argv) argp.push_back(a.data());
    argp.push_back(nullptr);
    const std::string errFile = (dir_ / "stderr.txt").string();
    const pid_t pid = ::fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
      const int err = ::open(errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (err < 0 || ::dup2(err, 2) < 0) ::_exit(126);
      for (int s : {SIGHUP, SIGINT, SIGTERM}) ::signal(s, s == cs.ignored ? SIG_IGN : SIG_DFL);
      sigset_t none;
      sigemptyset(&none);
      ::sigprocmask(SIG_SETMASK, &none, nullptr);
      if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0) ::_exit(125);
      ::raise(SIGSTOP);
      ::execv(argp[0], argp.data());
      ::_exit(127);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    ASSERT_TRUE(WIFSTOPPED(status)) << "the tool could not be traced";
    ASSERT_EQ(::ptrace(PTRACE_SETOPTIONS, pid, nullptr, PTRACE_O_TRACESYSGOOD | PTRACE_O_TRACEEXEC | PTRACE_O_EXITKILL), 0);
    // From one system call to the next until the flush of the unfinished file.
    bool atFlush = false;
    int pass = 0;
    while (!atFlush) {
      ASSERT_EQ(::ptrace(PTRACE_SYSCALL, pid, nullptr, pass), 0);
      ASSERT_EQ(::waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFSTOPPED(status)) << "the tool ended before its write";
      const int sig = WSTOPSIG(status);
      pass = sig == SIGTRAP || sig == (SIGTRAP | 0x80) ? 0 : sig;
      if (sig != (SIGTRAP | 0x80)) continue;
      __ptrace_syscall_info info{};
      ASSERT_GT(::ptrace(PTRACE_GET_SYSCALL_INFO, pid, sizeof info, &info), 0);
      const bool flush = info.entry.nr == SYS_fsync || info.entry.nr == SYS_fdatasync;
      atFlush = info.op == PTRACE_SYSCALL_INFO_ENTRY && flush && fs::exists(fs::symlink_status(unfinished));
    }
    if (cs.ignored != 0) ::kill(pid, cs.ignored);
    ::kill(pid, cs.signal);
    ASSERT_EQ(::ptrace(PTRACE_DETACH, pid, nullptr, 0), 0);
    ASSERT_EQ(::waitpid(pid, &status, 0), pid);
    EXPECT_EQ(WIFEXITED(status) ? WEXITSTATUS(status) : -1, 128 + cs.signal)
        << "killed by signal " << (WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    EXPECT_FALSE(fs::exists(fs::symlink_status(unfinished)));
    EXPECT_EQ(testutil::ReadBytes(out.string()), "the old song");
  }
}

}  // namespace
