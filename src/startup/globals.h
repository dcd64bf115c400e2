// The game's shared global state, built once by the main routine's start-up and
// read by name everywhere. Every table is a fixed-length, zero-based array that
// exists (zero-filled) from process start; the start-up "creates" it by putting
// it back to its start values, so the values below are also the values every
// subsystem finds before the start-up has run (as in unit tests).
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "platform/list.h"
#include "startup/containers.h"

// ---- game identity ------------------------------------------------------------------
// The game number; it also names the game folder inside "Files/" (three digits).
extern const int32_t GameWeek;        // 256
extern const std::string GameName1;   // "Duskmoor"
extern const std::string GameName2;   // "II"
// The title line "#256 : Duskmoor II"; empty until the start-up composes it.
extern std::string GameName;

// ---- credits ------------------------------------------------------------------------
// Line k of the credits box at index k (1 to credits - 1); index 0 stays empty.
extern std::array<std::string, 100> Credit;
// Index of the next line to add; 1 before any line, 20 after the start-up.
extern int32_t credits;

// ---- game-loop tables ---------------------------------------------------------------
// Backdrop image (2 frames of 160x64) of each room style, 0 for none.
extern std::array<int32_t, 100> BG;
// Tile image (80 frames of 8x64) of each room style, 0 for none.
extern std::array<int32_t, 100> BG_bit;
// Highest style number whose strip the game's asset loader found.
extern int32_t styles;
// Kind codes of the four layers' cells under the thing last probed.
extern std::array<int32_t, 4> Here;

// ---- data folder and debug log ------------------------------------------------------
// Handle of the open debug log stream; 0 when there is none.
extern int32_t DebugFile;
// Memory manager mode: 1 automatic (process start), 0 reclamation on request.
extern int32_t GCMode;

// ---- music generator tables ---------------------------------------------------------
// Instrument samples: slot = kind * 10 + variant (1 to 8).
extern std::array<int32_t, 50> QRDM_inst;
// Current pattern: cell = track * 70 + row.
extern std::array<float, 1300> QRDM_Pattern;
// Variant in use and variants available, indices 1 bass, 2 lead, 3 accompaniment.
extern std::array<int32_t, 5> QRDM_PatternUse;
extern std::array<int32_t, 5> QRDM_PatternHave;
// Mute states by track (slots 0 to 4 used).
extern std::array<int32_t, 20> QRDM_Mute;
extern std::array<int32_t, 20> QRDM_MuteAhead;
extern std::array<int32_t, 20> QRDM_MuteAheadGo;
// Song rule entries: slot = section * 1000 + entry (1 to 998).
extern std::array<std::string, 5000> QRDM_Set;
// Entries per rule section and each section's stretch mode.
extern std::array<int32_t, 5> QRDM_Many;
extern std::array<int32_t, 5> QRDM_Stretch;

// ---- frame clock and draw budgets ---------------------------------------------------
// MMillisecs stamp of the end of the previous frame.
extern int32_t LastFrame;
// Per-frame budget and count of each draw category (1 main, 2 glow, 3 particles).
extern std::array<int32_t, 20> DrawMax;
extern std::array<int32_t, 20> DrawCount;

// ---- settings array, mode list and fonts --------------------------------------------
// Settings: 1 full screen, 2 wide virtual screen, 3 graphics engine, 4 chosen mode,
// 5 width, 6 height, 7 frame skip, 11 master, 12 sound, 13 music volume,
// 14 audio driver position.
extern std::array<int32_t, 100> Options;
// Usable display modes at positions 1 to MostResses.
extern std::array<int32_t, 2500> ResolutionW;
extern std::array<int32_t, 2500> ResolutionH;
extern int32_t MostResses;
// Real display size in pixels (800x600 until the display first opens).
extern int32_t MyScrw;
extern int32_t MyScrh;
// Virtual screen size in which everything draws (1280x960 until the display opens).
extern int32_t JScrw;
extern int32_t JScrh;
// Fixed-use fonts (slots 1 to 9) and the font bank: (face - 1) * 10 + step.
extern std::array<int32_t, 20> Font;
extern std::array<int32_t, 100> Fontb;
// Base names of the two font files in "Common/" (".ttf" is added).
extern const std::string MainFont;
extern const std::string SubFont;

// ---- joysticks ----------------------------------------------------------------------
// Slot n (1 to 4) is joystick n, the joystick layer's port n - 1; slot 0 unused.
extern int32_t StickCount;
extern std::array<std::string, 5> Stick;
extern std::array<int32_t, 5> StickBut;
extern std::array<float, 5> StickX;
extern std::array<float, 5> StickY;
extern std::array<float, 5> StickZ;
extern std::array<float, 5> StickU;
extern std::array<float, 5> StickV;
extern std::array<float, 5> StickR;
extern std::array<int32_t, 5> StickHat;
extern std::array<int32_t, 5> StickOn;

// ---- score and message containers ---------------------------------------------------
// The score panel's top table, slots 1 to 25.
extern std::array<std::shared_ptr<Scores>, 50> HighTable;
// The score history, newest first.
extern List<Scores> Highscores;
// The comment ticker, oldest first.
extern List<ment> comments;
// The floating score popups.
extern List<ore> scoreget;
// The game selection that the score panel filters by.
extern int32_t GameMode;
extern int32_t GameLevel;
extern int32_t GameFlags;

// ---- control slots ------------------------------------------------------------------
// Slot = (player - 1) * 20 + action; an input code per slot, 0 unbound.
extern std::array<int32_t, 101> KeyV;

// ---- sound channel tables -----------------------------------------------------------
// 0-4 music generator tracks, 20-255 sound effects in turn, 256 the start-up jingle.
extern std::array<int32_t, 260> Channel;
extern std::array<float, 260> ChannelVol;
// Sound effect n (1 to 200), 0 when not loaded.
extern std::array<int32_t, 201> sfx;
// Sound-effect slot taken last (20 to 255).
extern int32_t LChan;
// Badge texts (nothing fills them).
extern std::array<std::string, 16> BadgeT;

// ---- the start-up steps -------------------------------------------------------------
// Each step, in the order the main routine runs them.
void ComposeGameName();
void CreateGameLoopTables();  // BG, BG_bit
void BuildCredits();
void CreateProbeTable();      // Here
void CreateMusicTables();
void StartFrameClock();       // hides the pointer, stamps LastFrame, draw budgets
void CreateSettingsTables();  // Options, ResolutionW/H, Font, Fontb
void CreateJoystickTables();
void ScanJoysticks();
void CreateScoreContainers();  // HighTable, Highscores
void SetManualReclaim();
void CreateMessageContainers();  // comments, scoreget
void SetDefaultControls();       // KeyV and the default settings
void CreateSoundTables();        // Channel, sfx
// Enters the data folder and creates "Debug.txt" there.
void OpenDataFolderAndLog();

// ---- folders ------------------------------------------------------------------------
// Absolute folders (with a trailing "/"), resolved once from the executable's folder.
// Every loader opens its files by path below one of them.
struct GamePaths {
  std::string root;    // the folder that holds the executable
  std::string data;    // root + "Files/"
  std::string common;  // data + "Common/"
  std::string game;    // data + "256/"
  std::string levels;  // root + "DuskmoorII_Levels/"
};
extern GamePaths Paths;
// Resolves Paths below `root` (a folder; a trailing "/" is added when missing).
void ResolvePaths(const std::string& root);
// The game folder's name: the last three digits of the game number, then "/".
std::string GameFolderName(int32_t week);
