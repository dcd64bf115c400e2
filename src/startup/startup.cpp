#include "startup/startup.h"

#include "platform/app.h"
#include "platform/files.h"
#include "platform/input.h"
#include "platform/joystick.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

#include <string>
#include <type_traits>
#include <vector>

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

// Said in the log once it is open: the start-up locks before anything is
// written.
std::string unlocked_note;

[[noreturn]] void LeaveUnstarted(const std::string& line) {
  TellTerminal(GameName1 + " " + GameName2 + " " + line);
  AppExit(0);
}

// Two copies on one folder would each keep their own score history, and the
// one that saved last would drop the other's games: a second copy leaves
// before it writes anything. Every folder that holds the player's files is
// locked, since two game folders can share one of them through a link: the
// data folder (Setup.ini, the log, screenshots), the game folder
// (scores.dat) and the level folder ("My Level.xml"). The folders themselves
// are locked, so no file is made for it and none can stand in its way (a
// ".duskmoor2.lock" an earlier version left is not looked at). The locks go
// with the process, however it ends, so none is ever left behind.
// A folder that is not there yet is locked from the moment it comes: the
// level folder, which the game makes, is made here, in the same step, and
// any other (one reached through a link that leads nowhere yet) at the first
// write into it.
void HoldGameFolders() {
  LetGoOfFolderLocks();
  unlocked_note.clear();
  // Without a data folder the log goes beside the executable.
  const bool data = FileType(Paths.data) == 2;
  std::vector<std::string> folders = {data ? Paths.data : Paths.root};
  if (data) folders.push_back(Paths.game);
  folders.push_back(Paths.levels);
  LockBeforeWritingIn({folders.front(), Paths.data, Paths.game, Paths.levels});
  for (const std::string& folder : folders) {
    // Made only once the folders before it are held: a second copy on the
    // same game folder makes nothing.
    if (folder == Paths.levels && !NameTaken(folder)) CreateDir(folder);
    switch (HoldFolderLock(folder)) {
      case FolderLock::kHeld:
      case FolderLock::kMissing:  // nothing of the player's can be lost there
        break;
      case FolderLock::kTaken:
        LeaveUnstarted("is already running from " + folder);
      case FolderLock::kNoLocks:
        // Nothing could be locked there by any copy: refusing would only
        // keep the game from running at all.
        if (unlocked_note.empty()) {
          unlocked_note = "\t" + folder + " cannot be locked on its file system (" + LastFileError() +
                          "): a second copy started on it would not be stopped";
        }
        break;
      case FolderLock::kFailed:
        // Running unlocked here would let a second copy lose the player's
        // files.
        LeaveUnstarted("cannot lock " + folder + " against a second copy (" + LastFileError() +
                       "), so it does not start there");
    }
  }
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
  if (!unlocked_note.empty()) Debug(unlocked_note);
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
  HoldGameFolders();
  for (const StartupStep& step : StartupSteps()) step.run();
}
