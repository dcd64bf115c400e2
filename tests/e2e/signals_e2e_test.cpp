// The real game and the signals the system sends it: a termination while a
// key is held down in one of the waits for a key to come up, a run ended
// while the name of a finished game is being typed, and hang-ups and
// interrupts that the game was started with ignored.
#include <gtest/gtest.h>

#include <signal.h>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "e2e_util.h"

namespace {

using namespace e2e;

const std::string kExitGroup = "Closing Up\r\n\r\nBye!\r\n\r\nPlay again, soon!!\r\n";

// More frames than any run presents: a Settle for this many returns only
// once the game's main thread sleeps on without presenting anything, that is,
// once it sits in a wait rather than running frames.
constexpr int kIdleFrames = 1 << 30;

class SignalsEndToEnd : public GameRun {
 protected:
  // A fresh game with a one-game history, on its title screen.
  void Start(const std::string& tag) {
    root_ = CopyGame(source, tag);
    files_ = root_ / "Files";
    log_ = files_ / "Debug.txt";
    WriteAll(files_ / "256" / "scores.dat", kScores);
    pid_ = StartGame(root_);
    ASSERT_NE(pid_, 0);
    ASSERT_TRUE(WaitForTitle(input, log_)) << ReadAll(log_);
  }

  // From the title into play: the start control, then the map skipped once
  // it is fully shown.
  void IntoPlay() {
    ASSERT_TRUE(input.Tap(kLetterZ));
    ASSERT_TRUE(input.WaitFrames(kMapFadeFrames));
    ASSERT_TRUE(input.Tap(kLetterZ));
    ASSERT_TRUE(input.WaitFrames(kMapFadeFrames + kFramesPerAction));
  }

  // `key` goes down and stays down until the game sits in a wait for it to
  // come up (its main thread sleeps on without presenting anything); then
  // the system asks the game to end. It ends through its saving way out,
  // with the key still down, and the history holds `games` games.
  void HoldThenTerminate(unsigned long key, size_t games) {
    ASSERT_TRUE(input.Press(key));
    ASSERT_TRUE(input.Settle(kIdleFrames)) << "the game never waited for the key to come up";
    ASSERT_TRUE(Running(pid_));
    ASSERT_EQ(ReadAll(log_).find(kExitGroup), std::string::npos);
    ASSERT_FALSE(fs::exists(files_ / "Setup.ini"));
    kill(pid_, SIGTERM);
    // The game ends within a frame or two of the signal, or never while the
    // key is down; the guard only turns the latter into a failure.
    const int status = WaitForExit(pid_);
    if (status < 0) kill(pid_, SIGKILL);
    input.SendKey(key, false);
    EXPECT_EQ(status, 0) << "the game did not end while the key was held";
    // The settings were written (the copy starts without them), the history
    // kept the game it was read with and holds every finished one, and the
    // log closed with its last lines.
    const std::string setup = ReadAll(files_ / "Setup.ini");
    EXPECT_NE(setup.find("\r\nWidth="), std::string::npos) << setup;
    const std::string scores = ReadAll(files_ / "256" / "scores.dat");
    if (games == 1) {
      EXPECT_EQ(scores, kScores);
    }
    EXPECT_NE(scores.find(kScores.substr(0, kScores.find("\r\n") + 2)), std::string::npos) << scores;
    // Two lines a game: its record and its best times.
    EXPECT_EQ(static_cast<size_t>(std::count(scores.begin(), scores.end(), '\n')), 2 * games) << scores;
    const std::string text = ReadAll(log_);
    ASSERT_GE(text.size(), kExitGroup.size());
    EXPECT_EQ(text.substr(text.size() - kExitGroup.size()), kExitGroup);
    fs::remove_all(root_);
  }

  fs::path root_, files_, log_;
  pid_t pid_ = 0;
};

TEST_F(SignalsEndToEnd, TerminationWithEscapeHeldIntoThePauseMenuSavesAndEnds) {
  ASSERT_NO_FATAL_FAILURE(Start("sig_pause"));
  ASSERT_NO_FATAL_FAILURE(IntoPlay());
  // Esc opens the pause menu, which waits for it to come up first.
  HoldThenTerminate(kEscape, 1);
}

TEST_F(SignalsEndToEnd, TerminationWithEnterHeldAfterTheNameSavesAndEnds) {
  ASSERT_NO_FATAL_FAILURE(Start("sig_name"));
  ASSERT_NO_FATAL_FAILURE(IntoPlay());
  // Quit from the pause menu leads to the name entry.
  ASSERT_TRUE(input.Tap(kEscape));
  ASSERT_TRUE(input.Tap(kDown));
  ASSERT_TRUE(input.Tap(kSpace));
  ASSERT_TRUE(WaitForNameEntry(input));
  // Enter confirms the name; the entry then waits for it to come up. The
  // game just named is recorded before the run ends.
  HoldThenTerminate(kReturn, 2);
}

TEST_F(SignalsEndToEnd, AGameOverWhoseNameIsBeingTypedIsSavedByEveryWayOut) {
  constexpr unsigned long kBackSpace = 0xff08, kShift = 0xffe1, kLetterB = 0x62;
  // The window's first close leads to the farewell screen, which waits for a
  // key; a second close ends it.
  const std::vector<std::pair<const char*, int>> ends = {{"termination", SIGTERM}, {"hang-up", SIGHUP}, {"close", 0}};
  for (const auto& [what, sig] : ends) {
    SCOPED_TRACE(what);
    // Without a history the name entry begins with the default name.
    root_ = CopyGame(source, std::string("sig_unnamed_") + what);
    files_ = root_ / "Files";
    log_ = files_ / "Debug.txt";
    fs::remove(files_ / "256" / "scores.dat");
    pid_ = StartGame(root_);
    ASSERT_NE(pid_, 0);
    ASSERT_TRUE(WaitForTitle(input, log_)) << ReadAll(log_);
    ASSERT_NO_FATAL_FAILURE(IntoPlay());
    // Quit from the pause menu ends the game; its name is typed over the
    // default one and not confirmed.
    ASSERT_TRUE(input.Tap(kEscape));
    ASSERT_TRUE(input.Tap(kDown));
    ASSERT_TRUE(input.Tap(kSpace));
    ASSERT_TRUE(WaitForNameEntry(input));
    for (int i = 0; i < 6; ++i) ASSERT_TRUE(input.Tap(kBackSpace));
    ASSERT_TRUE(input.Press(kShift));
    ASSERT_TRUE(input.Tap(kLetterA));
    ASSERT_TRUE(input.Release(kShift));
    ASSERT_TRUE(input.Tap(kLetterB));
    ASSERT_TRUE(Running(pid_));
    ASSERT_FALSE(fs::exists(files_ / "256" / "scores.dat"));
    if (sig != 0) {
      kill(pid_, sig);
    } else {
      ASSERT_TRUE(input.RequestClose());
      ASSERT_TRUE(WaitForText(log_, "Play again, soon!!\r\n")) << ReadAll(log_);
      ASSERT_TRUE(input.WaitFrames(kFramesPerAction)) << "the farewell screen did not wait for a key";
      EXPECT_TRUE(Running(pid_));
      ASSERT_TRUE(input.RequestClose());
    }
    // The guard only turns a hang into a failure.
    const int status = WaitForExit(pid_);
    if (status < 0) kill(pid_, SIGKILL);
    EXPECT_EQ(status, 0);
    // One game, named as typed so far, with Quit in its record; then its
    // best times.
    const std::string scores = ReadAll(files_ / "256" / "scores.dat");
    EXPECT_EQ(static_cast<size_t>(std::count(scores.begin(), scores.end(), '\n')), 2u) << scores;
    EXPECT_EQ(scores.rfind("0|Ab|0|", 0), 0u) << scores;
    const std::string record = scores.substr(0, scores.find("\r\n"));
    EXPECT_TRUE(record.ends_with("|1")) << scores;
    const std::string text = ReadAll(log_);
    ASSERT_GE(text.size(), kExitGroup.size());
    EXPECT_EQ(text.substr(text.size() - kExitGroup.size()), kExitGroup);
    fs::remove_all(root_);
  }
}

TEST_F(SignalsEndToEnd, HangUpsAndInterruptsIgnoredFromTheStartLeaveTheGameRunning) {
  // As nohup, or a shell's background job, starts it.
  struct sigaction ignore {}, hup {}, intr {};
  ignore.sa_handler = SIG_IGN;
  sigemptyset(&ignore.sa_mask);
  sigaction(SIGHUP, &ignore, &hup);
  sigaction(SIGINT, &ignore, &intr);
  root_ = CopyGame(source, "sig_ignored");
  files_ = root_ / "Files";
  log_ = files_ / "Debug.txt";
  pid_ = StartGame(root_);
  sigaction(SIGHUP, &hup, nullptr);
  sigaction(SIGINT, &intr, nullptr);
  ASSERT_NE(pid_, 0);
  ASSERT_TRUE(WaitForTitle(input, log_)) << ReadAll(log_);
  for (int sig : {SIGHUP, SIGINT}) {
    kill(pid_, sig);
    // A signal taken would end the game within a frame or two.
    EXPECT_TRUE(input.WaitFrames(kTitleFrames)) << sig;
    ASSERT_TRUE(Running(pid_)) << sig;
  }
  EXPECT_EQ(ReadAll(log_).find(kExitGroup), std::string::npos);
  // The system's request to end is still taken.
  kill(pid_, SIGTERM);
  const int status = WaitForExit(pid_);
  if (status < 0) kill(pid_, SIGKILL);
  EXPECT_EQ(status, 0);
  const std::string text = ReadAll(log_);
  ASSERT_GE(text.size(), kExitGroup.size());
  EXPECT_EQ(text.substr(text.size() - kExitGroup.size()), kExitGroup);
  fs::remove_all(root_);
}

}  // namespace
