// The real game's start-up against what it cannot control: entries of the
// levels folder that are no files, a signal while a step waits for good, and
// a second copy started on the folder of a running one.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/fanotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <functional>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "e2e_util.h"

namespace {

using namespace e2e;

const std::string kSetup =
    "[Graphics]\r\nFullscreen = False\r\nGFX Engine = OpenGL\r\nWidth=800\r\nHeight=600\r\n\r\n[Audio]\r\n"
    "Master = 50\r\nSound = 50\r\nMusic = 0\r\n";

// An unprivileged player: permissions do not bind the superuser, as whom the
// tests may run.
constexpr uid_t kPlayer = 65534;

// Starts the game binary of `root` with its standard output and error going
// to `said`; 0 when it could not be started. With `as_player` it runs as the
// player when the tests run as the superuser.
pid_t StartGameSaying(const fs::path& root, const fs::path& said, bool as_player = false) {
  const std::string binary = (root / "duskmoor2").string();
  std::vector<std::string> args = {binary};
  if (as_player && geteuid() == 0) {
    args = {"setpriv", "--reuid=" + std::to_string(kPlayer), "--regid=" + std::to_string(kPlayer), "--clear-groups",
            "--", binary};
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, said.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_adddup2(&actions, 1, 2);
  pid_t pid = 0;
  const int failed = posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0) return 0;
  StartedGames().push_back(pid);
  return pid;
}

// Gives the game's folder to the player when the tests run as the superuser.
void GiveToPlayer(const fs::path& root) {
  if (geteuid() != 0) return;
  ASSERT_EQ(lchown(root.c_str(), kPlayer, kPlayer), 0);
  for (const auto& e : fs::recursive_directory_iterator(root)) {
    ASSERT_EQ(lchown(e.path().c_str(), kPlayer, kPlayer), 0) << e.path();
  }
}

// Whether the process has ended, leaving it to be waited for.
bool Ended(pid_t pid) {
  siginfo_t info{};
  return waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == pid;
}

// Without a log to follow: Esc, which only the title screen takes (it leads
// to the farewell screen), and then a key, which ends the farewell screen,
// again and again until the game has ended. Its exit status, or -1 when it
// did not end.
int LeaveTitleWithoutLog(FakeInput& input, pid_t pid) {
  // Each key is held until the game has read it, or has ended.
  const auto tap = [&](unsigned long key) {
    input.SendKey(key, true);
    input.Settle();
    input.SendKey(key, false);
    input.Settle();
  };
  const bool ended = WaitFor([&] {
    for (unsigned long key : {kEscape, kLetterA}) {
      if (Ended(pid)) return true;
      tap(key);
    }
    return Ended(pid);
  });
  if (!ended) return -1;
  return WaitForExit(pid);
}

// The lines of `text` that hold `what`.
std::vector<std::string> LinesWith(const std::string& text, const std::string& what) {
  std::vector<std::string> lines;
  std::istringstream in(text);
  for (std::string line; std::getline(in, line);) {
    if (line.find(what) != std::string::npos) lines.push_back(line);
  }
  return lines;
}

// Holds whatever opens a file at its opening until let go: the system asks
// this process before each opening of the file goes on. A data file is read
// only when it is a regular file, and reading one never waits; this is how a
// step of the start-up is made to wait all the same. Needs the superuser's
// rights.
class OpenHold {
 public:
  explicit OpenHold(const fs::path& file) {
    fd_ = fanotify_init(FAN_CLASS_CONTENT | FAN_CLOEXEC | FAN_NONBLOCK, O_RDONLY | O_CLOEXEC);
    if (fd_ >= 0 && fanotify_mark(fd_, FAN_MARK_ADD, FAN_OPEN_PERM, AT_FDCWD, file.c_str()) != 0) {
      close(fd_);
      fd_ = -1;
    }
  }
  // Lets every held opening go on; closing the watch would too.
  ~OpenHold() {
    Release();
    if (fd_ >= 0) close(fd_);
  }
  OpenHold(const OpenHold&) = delete;
  OpenHold& operator=(const OpenHold&) = delete;

  bool Made() const { return fd_ >= 0; }
  // Waits until `pid` is held at the opening; openings by anyone else go on
  // at once. False when the guard ran out first.
  bool Holds(pid_t pid) {
    return WaitFor([&] {
      pollfd p{fd_, POLLIN, 0};
      if (poll(&p, 1, 100) <= 0) return false;
      alignas(fanotify_event_metadata) char buf[4096];
      const ssize_t n = read(fd_, buf, sizeof buf);
      bool held = false;
      auto* e = reinterpret_cast<fanotify_event_metadata*>(buf);
      for (ssize_t left = n; left > 0 && FAN_EVENT_OK(e, left); e = FAN_EVENT_NEXT(e, left)) {
        if (e->fd < 0) continue;
        if (e->pid == pid) {
          held_.push_back(e->fd);
          held = true;
        } else {
          Answer(e->fd);
        }
      }
      return held;
    });
  }
  void Release() {
    for (int fd : held_) Answer(fd);
    held_.clear();
  }

 private:
  void Answer(int fd) {
    const fanotify_response allow{fd, FAN_ALLOW};
    [[maybe_unused]] const ssize_t told = write(fd_, &allow, sizeof allow);
    close(fd);
  }
  int fd_ = -1;
  std::vector<int> held_;
};

// SIGTERM, and the exit status the game ends with (-1 when it does not end).
int Terminate(pid_t pid) {
  kill(pid, SIGTERM);
  const int status = WaitForExit(pid, 60);
  if (status < 0) kill(pid, SIGKILL);
  return status;
}

// Starts the game of `root` as a second copy, its words going into `said`:
// it leaves at once with status 0 and one line naming `held`, the folder
// another copy holds.
void ExpectHeldFolderNamed(const fs::path& root, const fs::path& said, const fs::path& held, bool as_player = false) {
  const pid_t second = StartGameSaying(root, said, as_player);
  ASSERT_NE(second, 0);
  const int status = WaitForExit(second, 60);
  if (status < 0) kill(second, SIGKILL);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(ReadAll(said), "Duskmoor II is already running from " + held.string() + "/\n");
}

// A second copy started on the folder of the running `first` leaves at once
// with status 0 and its one line, writing nothing, and the first plays on.
void ExpectASecondCopyRefused(const fs::path& root, const fs::path& said, const std::string& first_log, pid_t first,
                              bool as_player) {
  const fs::path files = root / "Files";
  ExpectHeldFolderNamed(root, said, files, as_player);
  EXPECT_EQ(ReadAll(files / "Setup.ini"), kSetup);
  EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
  EXPECT_EQ(ReadAll(files / "Debug.txt"), first_log);
  EXPECT_TRUE(Running(first));
}

class StartupEndToEnd : public GameRun {};

TEST_F(StartupEndToEnd, APipeAndAFolderNamedLikeLevelsDoNotHoldTheStartUp) {
  const fs::path root = CopyGame(source, "levelpipe");
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";
  const fs::path levels = root / "DuskmoorII_Levels";
  // Nobody ever writes to the pipe: a reader opening it would wait for good.
  ASSERT_EQ(mkfifo((levels / "Pipe.xml").c_str(), 0666), 0);
  fs::create_directory(levels / "Folder.xml");
  const pid_t pid = StartGame(root);
  ASSERT_NE(pid, 0);
  ASSERT_TRUE(WaitForText(log, "Finished Loading\r\n", 120)) << ReadAll(log);
  // A screenshot is taken only by the frames of the title screen, which
  // come after the level scan.
  const fs::path shot = Screenshot(input, log, files);
  ASSERT_FALSE(shot.empty()) << "the title screen never showed";
  EXPECT_EQ(Terminate(pid), 0);
  // The signal ended the run through the saving steps.
  EXPECT_TRUE(fs::exists(files / "Setup.ini"));
  EXPECT_NE(ReadAll(log).find("Play again, soon!!\r\n"), std::string::npos);
  fs::remove_all(root);
}

TEST_F(StartupEndToEnd, ASignalEndsTheStartUpWhileAStepWaitsForGood) {
  struct Case {
    std::string file;  // held at its opening by the start-up
    int signal;
  };
  // One among the common assets, read before the score history, and one
  // among the game's own, read after it and after the speed test's frames.
  const Case cases[] = {{"Common/icons.png", SIGTERM}, {"256/gfx.png", SIGINT}, {"256/map.png", SIGHUP}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file);
    const fs::path root = CopyGame(source, "startsignal");
    const fs::path files = root / "Files";
    WriteAll(files / "Setup.ini", kSetup);
    WriteAll(files / "256" / "scores.dat", kScores);
    OpenHold hold(files / c.file);
    if (!hold.Made()) GTEST_SKIP() << "openings cannot be held here (the superuser's rights are needed)";
    const pid_t pid = StartGame(root);
    ASSERT_NE(pid, 0);
    ASSERT_TRUE(hold.Holds(pid)) << "the game never opened " << c.file;
    // The signal comes while the step waits, and is taken as it goes on.
    kill(pid, c.signal);
    hold.Release();
    const int status = WaitForExit(pid, 60);
    if (status < 0) kill(pid, SIGKILL);
    EXPECT_EQ(status, 0);
    // Nothing had been played: the player's files are as they were.
    EXPECT_EQ(ReadAll(files / "Setup.ini"), kSetup);
    EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
    EndLeftoverGames();
    fs::remove_all(root);
  }
}

TEST_F(StartupEndToEnd, ASecondCopyOnTheSameFolderLeavesAtOnceAndWritesNothing) {
  const fs::path root = CopyGame(source, "secondcopy");
  const fs::path files = root / "Files";
  const fs::path log = files / "Debug.txt";
  WriteAll(files / "Setup.ini", kSetup);
  WriteAll(files / "256" / "scores.dat", kScores);
  const pid_t first = StartGame(root);
  ASSERT_NE(first, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << "the title screen never showed\n" << ReadAll(log);
  ASSERT_FALSE(Screenshot(input, log, files).empty()) << ReadAll(log);
  // The screenshot's log lines end with an empty one; the title writes
  // nothing more.
  ASSERT_TRUE(WaitForText(log, "\tSaved Screenshot 1\r\n\r\n", 30)) << ReadAll(log);
  const std::string first_log = ReadAll(log);

  const fs::path said = fs::temp_directory_path() / ("duskmoor_secondcopy_said_" + std::to_string(getpid()));
  ASSERT_NO_FATAL_FAILURE(ExpectASecondCopyRefused(root, said, first_log, first, false));

  EXPECT_EQ(Terminate(first), 0);
  // With the first copy gone, a new one starts as usual.
  fs::remove(log);
  const pid_t third = StartGame(root);
  ASSERT_NE(third, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << "the title screen never showed\n" << ReadAll(log);
  ASSERT_FALSE(Screenshot(input, log, files).empty()) << ReadAll(log);
  EXPECT_EQ(Terminate(third), 0);
  fs::remove(said);
  fs::remove_all(root);
}

TEST_F(StartupEndToEnd, TwoCopiesOfAPlayerOnOneFolderWhateverStandsAtTheOldLockFile) {
  const std::string lock_name = ".duskmoor2.lock";
  struct Case {
    std::string what;
    std::function<void(const fs::path&)> plant;  // in the data folder
  };
  const Case cases[] = {
      // The superuser's when the tests run as it: another user's file.
      {"a lock file at mode 000",
       [&](const fs::path& files) {
         WriteAll(files / lock_name, "");
         chmod((files / lock_name).c_str(), 0);
       }},
      {"a dangling link", [&](const fs::path& files) { fs::create_symlink(files / "gone", files / lock_name); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path root = CopyGame(source, "brokenlock");
    const fs::path files = root / "Files";
    const fs::path log = files / "Debug.txt";
    WriteAll(files / "Setup.ini", kSetup);
    WriteAll(files / "256" / "scores.dat", kScores);
    ASSERT_NO_FATAL_FAILURE(GiveToPlayer(root));
    c.plant(files);
    const fs::path said_first = fs::temp_directory_path() / ("duskmoor_brokenlock_first_" + std::to_string(getpid()));
    const fs::path said = fs::temp_directory_path() / ("duskmoor_brokenlock_said_" + std::to_string(getpid()));
    const pid_t first = StartGameSaying(root, said_first, true);
    ASSERT_NE(first, 0);
    ASSERT_TRUE(WaitForTitle(input, log)) << "the title screen never showed\n" << ReadAll(log) << ReadAll(said_first);
    ASSERT_FALSE(Screenshot(input, log, files).empty()) << ReadAll(log);
    ASSERT_TRUE(WaitForText(log, "\tSaved Screenshot 1\r\n\r\n", 30)) << ReadAll(log);
    const std::string first_log = ReadAll(log);

    ASSERT_NO_FATAL_FAILURE(ExpectASecondCopyRefused(root, said, first_log, first, true));
    EXPECT_FALSE(fs::exists(fs::symlink_status(files / "gone")));
    // The first plays on, to the end of its session.
    EXPECT_FALSE(Screenshot(input, log, files).empty()) << ReadAll(log);
    ASSERT_NO_FATAL_FAILURE(LeaveThroughFarewell(log, first));
    EndLeftoverGames();
    fs::remove(said_first);
    fs::remove(said);
    fs::remove_all(root);
  }
}

TEST_F(StartupEndToEnd, ADebugTxtThatIsNoFileIsLeftAloneAndTheGamePlaysWithoutALog) {
  const std::string victim_bytes = "another file's bytes\r\n";
  struct Case {
    std::string what;
    std::function<void(const fs::path& log, const fs::path& victim)> plant;
    std::string reason;
    mode_t kind;
  };
  const Case cases[] = {
      {"a link to another file",
       [](const fs::path& log, const fs::path& victim) { fs::create_symlink(victim, log); }, "a symbolic link",
       S_IFLNK},
      // Nobody reads it: opening it for writing would wait for good.
      {"a pipe", [](const fs::path& log, const fs::path&) { ASSERT_EQ(mkfifo(log.c_str(), 0666), 0); },
       "a named pipe", S_IFIFO},
      // Another name of the other file: writing the log would write it.
      {"a hard link to another file",
       [](const fs::path& log, const fs::path& victim) { fs::create_hard_link(victim, log); }, "a hard link",
       S_IFREG},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const fs::path root = CopyGame(source, "logname");
    const fs::path files = root / "Files";
    const fs::path log = files / "Debug.txt";
    const fs::path victim = root / "victim.txt";
    WriteAll(victim, victim_bytes);
    ASSERT_NO_FATAL_FAILURE(c.plant(log, victim));
    const fs::path said = fs::temp_directory_path() / ("duskmoor_logname_said_" + std::to_string(getpid()));
    const pid_t pid = StartGameSaying(root, said);
    ASSERT_NE(pid, 0);
    const bool window = input.FindWindow();
    EXPECT_TRUE(window) << "the window never opened\n" << ReadAll(said);
    // A whole session: the title screen, the farewell screen, and the end
    // through the saving steps.
    if (window) {
      EXPECT_EQ(LeaveTitleWithoutLog(input, pid), 0) << "the title screen never took Esc\n" << ReadAll(said);
      EXPECT_TRUE(fs::exists(files / "Setup.ini"));
    }
    struct stat st{};
    EXPECT_TRUE(lstat(log.c_str(), &st) == 0 && (st.st_mode & S_IFMT) == c.kind);
    EXPECT_EQ(ReadAll(victim), victim_bytes);
    const std::vector<std::string> lines = LinesWith(ReadAll(said), "Debug.txt");
    EXPECT_EQ(lines.size(), 1u) << ReadAll(said);
    for (const std::string& line : lines) {
      EXPECT_NE(line.find(log.string()), std::string::npos) << line;
      EXPECT_NE(line.find(c.reason), std::string::npos) << line;
    }
    EndLeftoverGames();
    fs::remove(said);
    fs::remove_all(root);
  }
}

// Two game folders that share the folder of the scores through a link, or
// the level folder through a link that led nowhere until a copy made the
// folder, and a data folder the player cannot read: of two copies, never
// both run, and a copy writes nothing into a folder another copy holds.
TEST_F(StartupEndToEnd, CopiesThatWouldShareThePlayersFilesNeverRunAtOnce) {
  const fs::path first_root = CopyGame(source, "sharedscores");
  const fs::path second_root = CopyGame(source, "sharedscores2");
  const fs::path scores_folder = first_root / "Files" / "256";
  fs::remove_all(second_root / "Files" / "256");
  fs::create_directory_symlink(scores_folder, second_root / "Files" / "256");
  WriteAll(first_root / "Files" / "Setup.ini", kSetup);
  WriteAll(scores_folder / "scores.dat", kScores);
  const fs::path log = first_root / "Files" / "Debug.txt";
  const pid_t first = StartGame(first_root);
  ASSERT_NE(first, 0);
  ASSERT_TRUE(WaitForTitle(input, log)) << "the title screen never showed\n" << ReadAll(log);
  {
    SCOPED_TRACE("the scores' folder shared through a link");
    const fs::path said = fs::temp_directory_path() / ("duskmoor_sharedscores_said_" + std::to_string(getpid()));
    ExpectHeldFolderNamed(second_root, said, second_root / "Files" / "256");
    // It wrote nothing: no log of its own, the shared scores as they were.
    EXPECT_FALSE(fs::exists(fs::symlink_status(second_root / "Files" / "Debug.txt")));
    EXPECT_EQ(ReadAll(scores_folder / "scores.dat"), kScores);
    EXPECT_TRUE(Running(first));
    fs::remove(said);
  }
  EXPECT_EQ(Terminate(first), 0);
  fs::remove_all(second_root);
  {
    SCOPED_TRACE("a data folder the player can write in but not read");
    ASSERT_NO_FATAL_FAILURE(GiveToPlayer(first_root));
    const fs::path files = first_root / "Files";
    const std::string log_before = ReadAll(log);
    ASSERT_EQ(chmod(files.c_str(), 0333), 0);
    const fs::path said = fs::temp_directory_path() / ("duskmoor_unreadable_said_" + std::to_string(getpid()));
    const pid_t pid = StartGameSaying(first_root, said, true);
    ASSERT_NE(pid, 0);
    const int status = WaitForExit(pid, 60);
    if (status < 0) kill(pid, SIGKILL);
    chmod(files.c_str(), 0755);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(ReadAll(said), "Duskmoor II cannot lock " + files.string() +
                                 "/ against a second copy (Permission denied), so it does not start there\n");
    EXPECT_EQ(ReadAll(log), log_before);
    EXPECT_EQ(ReadAll(files / "256" / "scores.dat"), kScores);
    fs::remove(said);
  }
  fs::remove_all(first_root);
  const fs::path levels = "DuskmoorII_Levels";
  {
    SCOPED_TRACE("a level folder the first copy makes, the second's a link that led nowhere before");
    const fs::path a = CopyGame(source, "madelevels");
    const fs::path b = CopyGame(source, "madelevels2");
    fs::remove_all(a / levels);
    fs::remove_all(b / levels);
    fs::create_directory_symlink(a / levels, b / levels);
    const fs::path a_log = a / "Files" / "Debug.txt";
    const pid_t first = StartGame(a);
    ASSERT_NE(first, 0);
    ASSERT_TRUE(WaitForTitle(input, a_log)) << "the title screen never showed\n" << ReadAll(a_log);
    const std::string mine = ReadAll(a / levels / "My Level.xml");
    EXPECT_FALSE(mine.empty());
    const fs::path said = fs::temp_directory_path() / ("duskmoor_madelevels_said_" + std::to_string(getpid()));
    ExpectHeldFolderNamed(b, said, b / levels);
    EXPECT_FALSE(fs::exists(fs::symlink_status(b / "Files" / "Debug.txt")));
    EXPECT_EQ(ReadAll(a / levels / "My Level.xml"), mine);
    EXPECT_TRUE(Running(first));
    EXPECT_EQ(Terminate(first), 0);
    fs::remove(said);
    fs::remove_all(a);
    fs::remove_all(b);
  }
  {
    SCOPED_TRACE("the first copy's level folder a link to the second's, which the second makes");
    const fs::path a = CopyGame(source, "linkedlevels");
    const fs::path b = CopyGame(source, "linkedlevels2");
    fs::remove_all(a / levels);
    fs::remove_all(b / levels);
    fs::create_directory_symlink(b / levels, a / levels);
    const fs::path a_log = a / "Files" / "Debug.txt";
    const fs::path b_log = b / "Files" / "Debug.txt";
    const fs::path b_mine = b / levels / "My Level.xml";
    WriteAll(a / "Files" / "Setup.ini", kSetup);
    // The first copy is held at its settings, past its locks and before its
    // level list, while the second starts, makes its level folder and shows
    // its title.
    std::optional<OpenHold> hold(std::in_place, a / "Files" / "Setup.ini");
    if (!hold->Made()) GTEST_SKIP() << "openings cannot be held here (the superuser's rights are needed)";
    const pid_t first = StartGame(a);
    ASSERT_NE(first, 0);
    ASSERT_TRUE(hold->Holds(first)) << "the game never opened Setup.ini";
    const pid_t second = StartGame(b);
    ASSERT_NE(second, 0);
    ASSERT_TRUE(WaitForTitle(input, b_log)) << "the title screen never showed\n" << ReadAll(b_log);
    const std::string fresh = ReadAll(b_mine);
    ASSERT_FALSE(fresh.empty());
    hold.reset();
    // The first copy lists the second's level, its own now through the link,
    // and edits it: the autosave writes nothing into the folder the second
    // holds.
    ASSERT_TRUE(WaitForText(a_log, "Finished Loading\r\n")) << ReadAll(a_log);
    ASSERT_TRUE(input.FindWindow("Duskmoor", first, first));
    ASSERT_TRUE(input.WaitFrames(kTitleFrames));
    input.MovePointer(400, 300);
    input.Tap(kLetterZ);
    ASSERT_TRUE(input.WaitFrames(kMapFadeFrames));
    input.Tap(kLetterZ);
    ASSERT_TRUE(input.WaitFrames(kMapFadeFrames + kFramesPerAction));
    input.Tap(kSpace);
    ASSERT_TRUE(input.WaitFrames(30));
    input.MovePointer(452 * 5 / 8, 300 * 5 / 8);
    input.Click();
    const std::string not_saved = "Level not saved: the level file could not be written\r\n";
    EXPECT_TRUE(WaitFor([&] { return ReadAll(a_log).find(not_saved) != std::string::npos || ReadAll(b_mine) != fresh; }))
        << ReadAll(a_log);
    EXPECT_NE(ReadAll(a_log).find(not_saved), std::string::npos) << ReadAll(a_log);
    EXPECT_EQ(ReadAll(b_mine), fresh);
    EXPECT_EQ(std::distance(fs::directory_iterator(b / levels), fs::directory_iterator()), 1);
    EXPECT_TRUE(Running(first));
    EXPECT_TRUE(Running(second));
    EXPECT_EQ(Terminate(first), 0);
    EXPECT_EQ(Terminate(second), 0);
    // Its own ending saved nothing there either.
    EXPECT_EQ(ReadAll(b_mine), fresh);
    fs::remove_all(a);
    fs::remove_all(b);
  }
}

}  // namespace
