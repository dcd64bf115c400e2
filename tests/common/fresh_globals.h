// The game's shared state put back to what a freshly started program holds,
// so that a test case finds the same start whether it runs in a process of
// its own, after other cases, or shuffled among them. Fixtures call it first
// and then set what their case needs.
#pragma once

#include <array>
#include <memory>
#include <string>

#include "framework/controls.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "game/caption.h"
#include "game/end_of_play.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game/player.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "level/play_globals.h"
#include "level/rooms.h"
#include "map/map_screen.h"
#include "music/generator.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/runtime.h"
#include "scores/history.h"
#include "scores/score_panel.h"
#include "scores/score_records.h"
#include "settings/common_assets.h"
#include "settings/debug_log.h"
#include "settings/display.h"
#include "settings/farewell.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "settings/startup_sequence.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"
#include "title/title.h"

namespace testutil {

// The file layer reads and writes as on a sound disk again, for everyone.
inline void EndFileFaults() {
  SetReadFailAfter(-1);
  SetWriteFailAfter(-1);
  SetOwnerPermissionsBind(false);
  SetFolderLocksFail(0);
}

// Every global below goes back to the value it is defined with. A new global
// of the game belongs here too.
inline void FreshGlobals() {
  // The start-up's tables and the program's identity.
  AppTitle.clear();
  GameName.clear();
  Credit.fill("");
  credits = 1;
  BG.fill(0);
  BG_bit.fill(0);
  styles = 0;
  Here.fill(0);
  CloseDebugLog();
  DebugFile = 0;
  SavedForExit = false;
  GCMode = 1;
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
  LastFrame = 0;
  DrawMax.fill(0);
  DrawMax[1] = 50000;
  DrawMax[2] = 50000;
  DrawCount.fill(0);
  Options.fill(0);
  ResolutionW.fill(0);
  ResolutionH.fill(0);
  MostResses = 0;
  MyScrw = 800;
  MyScrh = 600;
  JScrw = 1280;
  JScrh = 960;
  Font.fill(0);
  Fontb.fill(0);
  StickCount = 0;
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
  HighTable.fill(nullptr);
  ClearList(Highscores);
  ClearList(comments);
  ClearList(scoreget);
  GameMode = 0;
  GameLevel = 0;
  GameFlags = 0;
  KeyV.fill(0);
  Channel.fill(0);
  ChannelVol.fill(0.0f);
  sfx.fill(0);
  LChan = 20;
  BadgeT.fill("");

  // The frame pump, drawing helpers and controls.
  ResetPumpServices();
  GameStarts();
  HoldControls(false);
  SkipDraw = 0;
  PreBlend = 0;
  fwf = fhf = faf = fgf = 0.0f;
  Frametook = 0;
  frameavg = 0;
  FramesPerSec = 0;
  UseFPS = 0;
  DebugMode = 1;
  fc = 0;
  InGame = 0;
  mx = my = wx = wy = 0;
  MusicChannel = 0;
  fr = fh = fg = fp = 0;
  fn = 0;

  // Settings, display and the options overlay.
  FirstRun = 0;
  HistoryLoaded = false;
  SetupFileUnreadable = false;
  LevelFileUnreadable = false;
  ScoresFileUnreadable = false;
  ScoresNotSaved.Reset();
  EndFileFaults();
  fbf = 0.0f;
  CommonIcons = 0;
  CommonIconsF = 0;
  logo = 0;
  QuendryLogo = 0;
  BadgeGet = 0;
  BadgeIcons = 0;
  GameBadges = 0;
  MyBest.fill(0);
  AuxDrivers.clear();
  AudioDriverKeySeen = false;
  OptionScreen = 0;
  optin = -300;
  mh1 = mh2 = 0;
  AvailablePlayers = 0;
  ChangingRes = 0;

  // Music generator.
  QRDM_Playing = 0;
  QRDM_BeatAt = 0;
  QRDM_Tempo = 0;
  QRDM_SongSeed = 0;
  QRDM_SongAt = 0;
  QRDM_PatternAt = 0;
  QRDM_RowAt = 0;
  QRDM_StereoSeperation = 0.0f;
  QRDM_Chord.clear();
  QRDM_DrumloopA.clear();
  QRDM_DrumloopB.clear();
  QRDM_BassBeat.clear();
  QRDM_MelodyBeat.clear();
  QRDM_MelodyBeatB.clear();

  // Kinds, levels and rooms.
  OBJN.fill("");
  ObjH.fill(0);
  ClearList(driving);
  ClearList(levels);
  ClearList(rooms);
  ClearList(objects);
  ThisRoom = nullptr;
  EmptyRoom = nullptr;
  room = nullptr;
  level = nullptr;
  Uselevel = nullptr;

  // The game in progress.
  pla = nullptr;
  editmode = 0;
  leveltick = 0;
  score = 0;
  endoflevel = 0;
  endotick = 0;
  n = 0;
  x = y = u = h = 0;
  txt.clear();
  obj = nullptr;
  playstate = PlayState{};
  gfx = gfxf = map_I = mapb_I = tune2 = 0;
  holehere = climbhere = 0;
  a = m = 0;

  // Map screen, title and scores.
  mapstate = MapScreenState{};
  fvf = fff = 0.0f;
  dri = nullptr;
  Postlevel = Prelevel = nullptr;
  tune = gamelogo = gamelogob = 0;
  TitleLoop = TitleLoopState{};
  fscroll = 0;
  HoldMe = 0;
  drawscore = nullptr;
  scaleMax = 1;
  MyName = "Player";
  Mybadges = 0;
}

}  // namespace testutil
