// The termination, interrupt and hang-up signals on the real backend: once
// the start-up is over each becomes the system's close request, unless the
// process was started with it ignored (nohup, a shell's background job).
#include <gtest/gtest.h>

#include <signal.h>

#include <csignal>

#include "platform/core/input_state.h"
#include "platform/input.h"
#include "platform/real/events.h"
#include "platform/runtime.h"

namespace {

class QuitSignals : public ::testing::Test {
 protected:
  void SetUp() override {
    // The handler ends the process at once while it starts up.
    wasStartingUp_ = StartingUp();
    SetStartingUp(false);
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], nullptr, &saved_[i]);
    inputstate::Reset();
  }
  void TearDown() override {
    for (int i = 0; i < 3; ++i) sigaction(kSignals[i], &saved_[i], nullptr);
    inputstate::Reset();
    SetStartingUp(wasStartingUp_);
  }

  static void Dispose(int sig, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    sigaction(sig, &action, nullptr);
  }
  static bool Ignored(int sig) {
    struct sigaction now {};
    sigaction(sig, nullptr, &now);
    return now.sa_handler == SIG_IGN;
  }

  static constexpr int kSignals[3] = {SIGTERM, SIGINT, SIGHUP};
  struct sigaction saved_[3] {};
  bool wasStartingUp_ = true;
};

TEST_F(QuitSignals, EachArrivingSignalBecomesTheSystemsCloseRequest) {
  for (int sig : kSignals) {
    inputstate::Reset();
    Dispose(sig, SIG_DFL);
    CatchQuitSignals();
    EXPECT_FALSE(Ignored(sig)) << sig;
    raise(sig);
    PlatformPumpEvents();
    EXPECT_EQ(AppSystemQuit(), 1) << sig;
    EXPECT_EQ(AppTerminate(), 1) << sig;
  }
}

TEST_F(QuitSignals, AHangUpOrInterruptIgnoredFromTheStartStaysIgnored) {
  struct Case {
    int sig;
    bool staysIgnored;
  };
  // The system's request to end is still taken: a game that could not be
  // asked would in the end be killed without saving.
  const Case cases[] = {{SIGHUP, true}, {SIGINT, true}, {SIGTERM, false}};
  for (const Case& c : cases) {
    inputstate::Reset();
    Dispose(c.sig, SIG_IGN);
    CatchQuitSignals();
    EXPECT_EQ(Ignored(c.sig), c.staysIgnored) << c.sig;
    raise(c.sig);
    PlatformPumpEvents();
    EXPECT_EQ(AppSystemQuit(), c.staysIgnored ? 0 : 1) << c.sig;
    EXPECT_EQ(AppTerminate(), c.staysIgnored ? 0 : 1) << c.sig;
  }
}

}  // namespace
