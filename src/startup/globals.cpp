// Definitions of the shared global state and the start-up steps that build it
// without touching any device.
#include "startup/globals.h"

#include "platform/runtime.h"


// ---- game identity ------------------------------------------------------------------
const int32_t GameWeek = 256;
const std::string GameName1 = "Duskmoor";
const std::string GameName2 = "II";
std::string GameName;

// ---- credits ------------------------------------------------------------------------
std::array<std::string, 100> Credit;
int32_t credits = 1;

// ---- game-loop tables ---------------------------------------------------------------
std::array<int32_t, 100> BG{};
std::array<int32_t, 100> BG_bit{};
int32_t styles = 0;
std::array<int32_t, 4> Here{};

// ---- data folder and debug log ------------------------------------------------------
int32_t DebugFile = 0;
int32_t GCMode = 1;

// ---- music generator tables ---------------------------------------------------------
std::array<int32_t, 50> QRDM_inst{};
std::array<float, 1300> QRDM_Pattern{};
std::array<int32_t, 5> QRDM_PatternUse{};
std::array<int32_t, 5> QRDM_PatternHave{};
std::array<int32_t, 20> QRDM_Mute{};
std::array<int32_t, 20> QRDM_MuteAhead{};
std::array<int32_t, 20> QRDM_MuteAheadGo{};
std::array<std::string, 5000> QRDM_Set;
std::array<int32_t, 5> QRDM_Many{};
std::array<int32_t, 5> QRDM_Stretch{};

// ---- frame clock and draw budgets ---------------------------------------------------
int32_t LastFrame = 0;
// The start budgets are in place from process start as well, so budgeted drawing
// done before the start-up (tests of single screens) is never cut.
std::array<int32_t, 20> DrawMax{0, 50000, 50000};
std::array<int32_t, 20> DrawCount{};

// ---- settings array, mode list and fonts --------------------------------------------
std::array<int32_t, 100> Options{};
std::array<int32_t, 2500> ResolutionW{};
std::array<int32_t, 2500> ResolutionH{};
int32_t MostResses = 0;
int32_t MyScrw = 800;
int32_t MyScrh = 600;
int32_t JScrw = 1280;
int32_t JScrh = 960;
std::array<int32_t, 20> Font{};
std::array<int32_t, 100> Fontb{};
const std::string MainFont = "LiberationSansNarrow-Bold";
const std::string SubFont = "LiberationSansNarrow-Bold";

// ---- joysticks ----------------------------------------------------------------------
int32_t StickCount = 0;
std::array<std::string, 5> Stick;
std::array<int32_t, 5> StickBut{};
std::array<float, 5> StickX{};
std::array<float, 5> StickY{};
std::array<float, 5> StickZ{};
std::array<float, 5> StickU{};
std::array<float, 5> StickV{};
std::array<float, 5> StickR{};
std::array<int32_t, 5> StickHat{};
std::array<int32_t, 5> StickOn{};

// ---- score and message containers ---------------------------------------------------
std::array<std::shared_ptr<Scores>, 50> HighTable;
List<Scores> Highscores;
List<ment> comments;
List<ore> scoreget;
int32_t GameMode = 0;
int32_t GameLevel = 0;
int32_t GameFlags = 0;

// ---- control slots ------------------------------------------------------------------
std::array<int32_t, 101> KeyV{};

// ---- sound channel tables -----------------------------------------------------------
std::array<int32_t, 260> Channel{};
std::array<float, 260> ChannelVol{};
std::array<int32_t, 201> sfx{};
int32_t LChan = 20;
std::array<std::string, 16> BadgeT;

GamePaths Paths;

// ---- start-up steps -----------------------------------------------------------------

void ComposeGameName() {
  GameName = "#" + std::to_string(GameWeek) + " : " + GameName1 + " " + GameName2;
  // Every window the display opens from now on carries the title line.
  AppTitle = GameName;
}

void CreateGameLoopTables() {
  BG.fill(0);
  BG_bit.fill(0);
}

namespace {

void AddCredit(const std::string& line) {
  Credit[credits] = line;
  ++credits;
}

}  // namespace

void BuildCredits() {
  Credit.fill("");
  credits = 1;
  AddCredit("A Game by Quoradin");
  AddCredit("Tab Settings | F11 Screenshot");
  AddCredit("");
  AddCredit("Game");
  AddCredit("C++ with SDL2 and OpenGL");
  AddCredit("using Quoradin's Framework");
  AddCredit("");
  AddCredit("Font");
  AddCredit("Liberation Sans Narrow Bold");
  AddCredit("by Red Hat, Inc.");
  AddCredit("");
  AddCredit("All other graphics by Quoradin");
  AddCredit("");
  AddCredit("Sound");
  AddCredit("Title Music by Quoradin");
  AddCredit("Sound Effects by Quoradin");
  AddCredit("");
  AddCredit("Your own level: My Level.xml");
  AddCredit("Thanks for playing!");
}

void CreateProbeTable() { Here.fill(0); }

void CreateMusicTables() {
  QRDM_inst.fill(0);
  QRDM_Pattern.fill(0.0f);
  QRDM_PatternUse.fill(0);
  QRDM_PatternHave.fill(0);
  QRDM_Mute.fill(0);
  QRDM_MuteAhead.fill(0);
  QRDM_MuteAheadGo.fill(0);
  QRDM_Set.fill("");
  QRDM_Many.fill(0);
  QRDM_Stretch.fill(0);
}

void CreateSettingsTables() {
  Options.fill(0);
  ResolutionW.fill(0);
  ResolutionH.fill(0);
  Font.fill(0);
  Fontb.fill(0);
}

void CreateJoystickTables() {
  Stick.fill("");
  StickBut.fill(0);
  StickX.fill(0.0f);
  StickY.fill(0.0f);
  StickZ.fill(0.0f);
  StickU.fill(0.0f);
  StickV.fill(0.0f);
  StickR.fill(0.0f);
  StickHat.fill(0);
  StickOn.fill(0);
}

void CreateScoreContainers() {
  HighTable.fill(nullptr);
  ClearList(Highscores);
}

// Records are released by shared ownership the moment nothing holds them, so
// there is no collector to switch; the mode is kept for the debug overlay.
void SetManualReclaim() { GCMode = 0; }

void CreateMessageContainers() {
  ClearList(comments);
  ClearList(scoreget);
}

void SetDefaultControls() {
  KeyV.fill(0);
  KeyV[0] = 38;   // Up
  KeyV[8] = 40;   // Down
  KeyV[3] = 37;   // Left
  KeyV[5] = 39;   // Right
  KeyV[10] = 90;  // Z
  KeyV[11] = 88;  // X
  KeyV[12] = 67;  // C
  KeyV[13] = 86;  // V
  Options[5] = 800;
  Options[6] = 600;
  Options[1] = 0;
  Options[7] = 0;
  Options[11] = 50;
  Options[12] = 50;
  Options[13] = 50;
}

void CreateSoundTables() {
  Channel.fill(0);
  ChannelVol.fill(0.0f);
  sfx.fill(0);
  BadgeT.fill("");
}

std::string GameFolderName(int32_t week) {
  const std::string digits = "000" + std::to_string(week);
  return digits.substr(digits.size() - 3) + "/";
}
