#include "startup/startup.h"

#include "platform/app.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/joystick.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

#include <type_traits>

#include "level/records.h"
#include "startup/containers.h"

// The start-up relies on the seven record types being complete before it builds
// anything; nothing looks them up by name, so no registry is kept.
static_assert(std::is_default_constructible_v<ve> && std::is_default_constructible_v<game> &&
              std::is_default_constructible_v<layout> && std::is_default_constructible_v<ect> &&
              std::is_default_constructible_v<Scores> && std::is_default_constructible_v<ment> &&
              std::is_default_constructible_v<ore>);

void ResolvePaths(const std::string& root) {
  Paths.root = root;
  // A relative root is taken from the folder current at start-up, once.
  if (Paths.root.empty() || Paths.root.front() != '/') {
    std::string here = CurrentDir();
    if (here.empty() || here.back() != '/') here += "/";
    if (Paths.root == "." || Paths.root == "./") Paths.root.clear();
    Paths.root = here + Paths.root;
  }
  if (Paths.root.back() != '/') Paths.root += "/";
  Paths.data = Paths.root + "Files/";
  Paths.common = Paths.data + "Common/";
  Paths.game = Paths.data + GameFolderName(GameWeek);
  Paths.levels = Paths.root + GameName1 + GameName2 + "_Levels/";
}

void StartFrameClock() {
  HideMouse();
  LastFrame = MilliSecs();
  DrawMax.fill(0);
  DrawCount.fill(0);
  DrawMax[1] = 50000;
  DrawMax[2] = 50000;
}

void ScanJoysticks() {
  StickCount = JoyCount();
  if (StickCount > 4) StickCount = 4;
  if (StickCount < 0) StickCount = 0;
  const int32_t count = StickCount;
  for (int32_t n = 1; n <= count; ++n) {
    const int port = n - 1;
    StickBut[n] = JoyButtonCaps(port);
    Stick[n] = JoyName(port);
    StickX[n] = JoyX(port);
    StickY[n] = JoyY(port);
    StickZ[n] = JoyZ(port);
    StickU[n] = JoyU(port);
    StickV[n] = JoyV(port);
    StickR[n] = JoyR(port);
    StickOn[n] = 1;
    if (JoyHat(port) == -1.0f) StickHat[n] = 1;
  }
}

namespace {

// Two copies on one folder would each keep their own score history, and the
// one that saved last would drop the other's games: a second copy leaves
// before it writes anything. The folder itself is locked, so no file is made
// for it and none can stand in its way (a ".duskmoor2.lock" an earlier
// version left is not looked at). The lock goes with the process, however
// it ends, so none is ever left behind.
void HoldGameFolder() {
  // The data folder, or the executable's folder when there is none: where
  // the log goes.
  const std::string folder = FileType(Paths.data) == 2 ? Paths.data : Paths.root;
  if (HoldFolderLock(folder)) return;
  TellTerminal(GameName1 + " " + GameName2 + " is already running from " + folder);
  AppExit(0);
}

}  // namespace

// The process works in the data folder from here on; every loader still opens
// its files by their absolute paths, so nothing depends on later folder changes.
// Without a data folder the log goes beside the executable, as the relative
// path would have put it.
void OpenDataFolderAndLog() {
  std::string folder = Paths.root;
  if (FileType(Paths.data) == 2 && ChangeDir(Paths.data)) folder = Paths.data;
  OpenDebugLog(folder + "Debug.txt");
}

const std::vector<StartupStep>& StartupSteps() {
  static const std::vector<StartupStep> steps = {
      // The game's identity and the tables the game loop fills later.
      {"game name", ComposeGameName},
      {"background tables", CreateGameLoopTables},
      {"credits", BuildCredits},
      {"probe table", CreateProbeTable},
      // Object kinds and the world lists.
      {"object kinds", MakeObjectKinds},
      // The global state.
      {"music tables", CreateMusicTables},
      {"frame clock and draw budgets", StartFrameClock},
      {"settings tables", CreateSettingsTables},
      {"joystick tables", CreateJoystickTables},
      {"joystick scan", ScanJoysticks},
      {"score containers", CreateScoreContainers},
      {"reclaim on request", SetManualReclaim},
      {"message containers", CreateMessageContainers},
      {"default controls and settings", SetDefaultControls},
      {"sound tables", CreateSoundTables},
      {"data folder and debug log", OpenDataFolderAndLog},
  };
  return steps;
}

void RunStartup(const std::string& root) {
  ResolvePaths(root);
  // Before anything is written or opened.
  HoldGameFolder();
  for (const StartupStep& step : StartupSteps()) step.run();
}
