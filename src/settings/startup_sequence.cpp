#include "settings/startup_sequence.h"

#include <string>

#include "framework/globals.h"
#include "framework/pump.h"
#include "level/level_browser.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "settings/display.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "startup/globals.h"
#include "title/title.h"

int32_t GameBadges = 0;
std::array<int32_t, 31> MyBest{};

namespace {

const std::string kDashes(28, '-');
constexpr int32_t kHoldMs = 2500;

}  // namespace

int32_t StartUpSequence() {
  Debug("Quoradin's Tamblewick Engine");
  Debug(kDashes);
  Debug("Week #" + Str(GameWeek));
  Debug(kDashes);
  Debug(GameName);
  Debug(kDashes);
  Debug("");
  Debug("Loading");

  TakeAudioDrivers();
  ReadSettings();
  ChooseAudioDriver();
  Debug("Setting Audio Driver");
  SetChosenAudioDriver();
  Debug("Set Audio Driver");
  Debug("");
  Debug("\tRequested Resolution : " + Str(Options[5]) + "x" + Str(Options[6]));
  Debug("\tSetup Loaded");
  Debug("");
  Debug("Grabbing Previous Scores");
  Debug("");

  // Every file of the game folder is opened by its full path, so there is no
  // folder to enter here.
  const int32_t hold = static_cast<int32_t>(static_cast<uint32_t>(MMillisecs()) + kHoldMs);
  ChangeRes();

  AvailablePlayers = 4;
  GameBadges = 16;
  InGame = 0;
  MyBest.fill(0);
  Debug("Finished Loading");
  Hunt4Levels();
  return hold;
}

void RunSettingsAndTitle() {
  const int32_t hold = StartUpSequence();
  // From the title screen on, a signal from the system is answered in the
  // frames, which save the settings and the scores before the end.
  SetStartingUp(false);
  TitleScreen(hold);
}
