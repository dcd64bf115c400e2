// The end of a level: the banner, the bonus count-up and its rhythm, the
// decision on what follows, the move to the next level of the pack and the
// record of a finished game.
#include <filesystem>
#include <string>
#include <vector>

#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/pause.h"
#include "game/game_assets.h"
#include "game/game_state.h"
#include "game/level_end.h"
#include "game/play_game.h"
#include "game_test_util.h"
#include "level/level_browser.h"
#include "level/rooms.h"
#include "platform/app.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/test/test_graphics.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"
#include "map/map_screen.h"
#include "platform/core/input_state.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_input.h"
#include "framework/pump.h"
#include "scores/score_records.h"
#include "settings/display.h"
#include "settings/farewell.h"
#include "settings/common_assets.h"
#include "settings/startup_sequence.h"

namespace {

using gametest::GameTest;
using testgraphics::Op;

class LevelEndTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    ClearList(levels);
    pla = std::make_shared<ect>();
    pla->health = 100;
    for (int slot = 0; slot < 24; ++slot) pla->ammo[slot] = 1;
    playstate = PlayState{};
    endoflevel = 0;
    endotick = 0;
  }

  // The ammunition scan the heads-up display runs before the level end.
  static void ScanAmmo() {
    playstate.firekind = 0;
    playstate.fireslot = 0;
    for (int32_t slot = 0; slot < 360; ++slot) {
      if (pla->ammo[slot] > 0) {
        playstate.firekind = pla->ammo[slot];
        playstate.fireslot = slot;
      }
    }
  }

  // Frames of the level end until the decision, counting the frame of the
  // cross as frame 1; 0 when it never came within `limit` frames.
  int FramesToDecision(int limit) {
    for (int frame = 1; frame <= limit; ++frame) {
      if (editmode == 1) pla->health = 999;
      ScanAmmo();
      LevelEnd();
      if (playstate.loopexit != 0) return frame;
    }
    return 0;
  }

  static void AddPack(const std::vector<std::string>& titles) {
    for (const auto& title : titles) {
      auto g = std::make_shared<game>();
      g->name = title + ".xml";
      g->Title = title;
      ListAddLast(levels, g);
    }
  }

  static std::vector<testgraphics::DrawRecord> Texts() { return testgraphics::DrawsOf(Op::Text); }
};

TEST_F(LevelEndTest, TheBannerIsCentredOnItsAnchorsWithAShadowAtEachWidth) {
  struct Case {
    int w, h;
    int hx, hy, sx, sy, tx, ty;
  };
  const std::vector<Case> cases = {
      {1280, 960, 640, 144, 447, 403, 831, 556},
      {1600, 900, 800, 135, 559, 377, 1039, 521},
      {1440, 900, 720, 135, 503, 377, 935, 521},
  };
  for (int state : {1, 2}) {
    for (const Case& c : cases) {
      JScrw = c.w;
      JScrh = c.h;
      endoflevel = state;
      endotick = 5;
      testgraphics::ClearDraws();
      LevelEnd();
      const auto texts = Texts();
      ASSERT_GE(texts.size(), 6u);
      const std::vector<std::string> want =
          state == 1 ? std::vector<std::string>{"Level Complete", "Imra Found", "Another Cross"}
                     : std::vector<std::string>{"Game Over", "Poor", "Imra"};
      const int anchors[3][2] = {{c.hx, c.hy}, {c.sx, c.sy}, {c.tx, c.ty}};
      for (int i = 0; i < 6; ++i) {
        const auto& rec = texts[i];
        const int line = i % 3;
        const int shift = i < 3 ? 3 : 0;
        EXPECT_EQ(rec.text, want[line]);
        SCOPED_TRACE(rec.text + " at " + std::to_string(c.w));
        EXPECT_EQ(static_cast<int>(rec.x), anchors[line][0] + shift - TextWidth(rec.text) / 2);
        EXPECT_EQ(static_cast<int>(rec.y), anchors[line][1] + shift - TextHeight(rec.text) / 2);
        if (i < 3) {
          EXPECT_EQ(rec.r, 0);
          EXPECT_FLOAT_EQ(rec.alpha, 0.75f);
        } else {
          EXPECT_EQ(rec.r, 255);
          EXPECT_FLOAT_EQ(rec.alpha, 1.0f);
        }
      }
    }
  }
}

TEST_F(LevelEndTest, ThePlayerIsHeldAndHoversOnlyOnACompletedLevel) {
  pla->gx = 1;
  pla->jumpx = -1;
  pla->jump = 100;
  endoflevel = 2;
  LevelEnd();
  EXPECT_EQ(pla->gx, 0);
  EXPECT_EQ(pla->jumpx, 0);
  EXPECT_EQ(pla->jump, 100);
  endoflevel = 1;
  LevelEnd();
  EXPECT_EQ(pla->jump, 30);
  endoflevel = 0;
  pla->jump = 55;
  endotick = 0;
  LevelEnd();
  EXPECT_EQ(pla->jump, 55);
  EXPECT_EQ(endotick, 0);
}

TEST_F(LevelEndTest, BonusesDrainHealthThenAmmunitionAndNeverReachTheScore) {
  JScrw = 1280;
  JScrh = 960;
  AddPack({"A"});
  GameMode = 0;
  pla->score = 1234;
  pla->ammo[40] = 2;  // 24 of kind 1 and one of kind 2 on top
  endoflevel = 1;
  playstate.healthbonus = 999;  // cleared in the first banner frame
  const int frames = FramesToDecision(1000);
  // health 100 and 25 slots: frame h + k + 118.
  EXPECT_EQ(frames, 100 + 25 + 118);
  EXPECT_EQ(playstate.healthbonus, 500);
  EXPECT_EQ(playstate.ammobonus, 24 * 5 + 10);
  EXPECT_EQ(pla->health, 0);
  EXPECT_EQ(pla->score, 1234);
  for (int slot = 0; slot < 360; ++slot) EXPECT_EQ(pla->ammo[slot], 0) << slot;
}

TEST_F(LevelEndTest, CountUpRhythmTable) {
  struct Case {
    int health;
    int slots;
    int decisionFrame;
  };
  const std::vector<Case> cases = {
      {100, 24, 242}, {1, 0, 119}, {0, 0, 120}, {0, 3, 123}, {5, 2, 125},
  };
  AddPack({"A"});
  GameMode = 0;
  for (const Case& c : cases) {
    pla->health = c.health;
    pla->ammo.fill(0);
    for (int slot = 0; slot < c.slots; ++slot) pla->ammo[slot] = 1;
    endoflevel = 1;
    endotick = 0;
    playstate.loopexit = 0;
    playstate.levelstep = 0;
    EXPECT_EQ(FramesToDecision(1000), c.decisionFrame) << c.health << " health, " << c.slots << " slots";
  }
}

TEST_F(LevelEndTest, TheCountUpLinesShowTheCountersOneFrameBehind) {
  JScrw = 1600;
  JScrh = 900;
  endoflevel = 1;
  ScanAmmo();
  LevelEnd();
  testgraphics::ClearDraws();
  ScanAmmo();
  LevelEnd();
  const auto texts = Texts();
  ASSERT_EQ(texts.size(), 10u);
  // Shadows, then the pale yellow health line and the pale cyan ammunition line.
  EXPECT_EQ(texts[6].text, "Health Bonus : 5");
  EXPECT_EQ(static_cast<int>(texts[6].y), 577 - TextHeight(texts[6].text) / 2);
  EXPECT_EQ(texts[8].text, "Health Bonus : 5");
  EXPECT_EQ(static_cast<int>(texts[8].x), 800 - TextWidth(texts[8].text) / 2);
  EXPECT_EQ(static_cast<int>(texts[8].y), 575 - TextHeight(texts[8].text) / 2);
  EXPECT_EQ((std::vector<int>{texts[8].r, texts[8].g, texts[8].b}), (std::vector<int>{255, 255, 100}));
  EXPECT_EQ(texts[9].text, "Ammo Bonus : 0");
  EXPECT_EQ(static_cast<int>(texts[9].y), 620 - TextHeight(texts[9].text) / 2);
  EXPECT_EQ((std::vector<int>{texts[9].r, texts[9].g, texts[9].b}), (std::vector<int>{100, 255, 255}));
  EXPECT_EQ(playstate.healthbonus, 10);
}

TEST_F(LevelEndTest, AGameOverEndsTheGameAfter120FramesWithoutDraining) {
  AddPack({"A", "B"});
  GameMode = 0;
  pla->health = 0;
  endoflevel = 2;
  EXPECT_EQ(FramesToDecision(1000), 120);
  EXPECT_EQ(playstate.loopexit, 1);
  EXPECT_EQ(playstate.levelstep, 1);
  EXPECT_EQ(pla->ammo[23], 1);
  EXPECT_EQ(playstate.ammobonus, 0);
}

TEST_F(LevelEndTest, TheOwnLevelCompletesInsteadOfDrainingForEver) {
  AddPack({"A", "xx - Your Level"});
  GameMode = 1;
  editmode = 1;
  endoflevel = 1;
  const int frames = FramesToDecision(1000);
  EXPECT_EQ(frames, 24 + 120);
  EXPECT_EQ(playstate.loopexit, 1);
  editmode = 0;
}

TEST_F(LevelEndTest, TheNextLevelIsCountedOverTheSameListTheWalkUses) {
  struct Case {
    std::vector<std::string> pack;
    int start;
    std::vector<std::string> then;  // levels that follow, in order
  };
  const std::string own = "xx - Your Level";
  const std::vector<Case> cases = {
      {{"A", "B", "C", own}, 0, {"B", "C"}},
      {{"A", "B", "C"}, 0, {"B", "C"}},
      {{"A", own, "B", "C", "D"}, 2, {"C", "D"}},
      {{own, "A", "B"}, 0, {"A", "B"}},
      {{"A", own, own, "B"}, 0, {"B"}},
      {{"A", "B", own}, 2, {}},
      {{"A"}, 0, {}},
  };
  for (const Case& c : cases) {
    ClearList(levels);
    AddPack(c.pack);
    std::vector<std::string> got;
    for (int step = 1; step < 10; ++step) {
      auto next = NextLevelAfter(c.start, step);
      if (!next) break;
      got.push_back(next->Title);
    }
    EXPECT_EQ(got, c.then) << "start " << c.start;
  }
}

TEST_F(LevelEndTest, AnAdvanceResetsThePlayerForTheNextLevelAndKeepsTheScore) {
  const char* second =
      "<title>02 - Next</title>\n<author>T</author>\n<from>10,10</from>\n<to>20,20</to>\n"
      "<room>\n<position>0,0</position>\n<top>\n<layer>\n5:bat\n</layer>\n</top>\n</room>\n";
  gametest::WriteBytes(Paths.levels + "next.xml", second);
  AddPack({"01 - First"});
  auto next = std::make_shared<game>();
  next->name = "next.xml";
  next->Title = "02 - Next";
  ListAddLast(levels, next);
  GameMode = 0;
  KeyV[10] = 90;
  // Fire leaves the map screen once it is shown.
  everyFrame = [] {
    if (mapstate.fadeTick == 0) testbackend::PressKey(90);
    else testbackend::ReleaseKey(90);
  };
  pla->x = 150;
  pla->y = -20;
  pla->jump = 30;
  pla->layer = 4;
  pla->roomx = 2;
  pla->roomy = 1;
  pla->health = 0;
  pla->score = 4321;
  pla->d = -1;
  pla->inv[19] = 104;
  pla->ammo.fill(0);
  playstate.overview = 1;
  playstate.zoom = 5.0f;
  playstate.editlayer = 3;
  playstate.edititem = 160;
  endoflevel = 1;
  endotick = 119;
  LevelEnd();
  EXPECT_EQ(Uselevel, next);
  EXPECT_EQ(playstate.loopexit, 0);
  EXPECT_EQ(playstate.levelstep, 1);
  EXPECT_EQ(endoflevel, 0);
  EXPECT_EQ(endotick, 0);
  EXPECT_EQ(playstate.newroom, 1);
  EXPECT_EQ(playstate.zoom, 7.0f);
  EXPECT_EQ(playstate.overview, 0);
  EXPECT_EQ(playstate.editlayer, 0);
  EXPECT_EQ(playstate.edititem, 42);
  EXPECT_EQ(editmode, 0);
  const std::vector<std::pair<int32_t, int32_t>> fields = {
      {pla->x, 20}, {pla->y, 0}, {pla->jump, 0}, {pla->layer, 2}, {pla->roomx, 0},
      {pla->roomy, 0}, {pla->health, 100}, {pla->score, 4321}, {pla->d, -1}, {pla->inv[19], 0}};
  for (size_t i = 0; i < fields.size(); ++i) EXPECT_EQ(fields[i].first, fields[i].second) << i;
  for (int slot = 0; slot < 360; ++slot) EXPECT_EQ(pla->ammo[slot], slot < 24 ? 1 : 0) << slot;
  // The next level's rooms are loaded; its creatures come at the next frame head.
  EXPECT_EQ(CountList(rooms), 2);
}

// Whole games on a pack of two levels, each with a cross where the player
// starts: the real set-up, map screens, level ends, name entry and record.
class FinishedGameTest : public LevelEndTest {
 protected:
  static constexpr int kFireKey = 90, kEscKey = 27, kEnterKey = 13;
  // More frames than any game here needs: a game still running has hung.
  static constexpr int kMostFrames = 5000;
  // More input polls than any of its waits needs: a wait that goes on has hung.
  static constexpr int64_t kMostPolls = 2000000;
  struct HungGame {};

  void SetUp() override {
    LevelEndTest::SetUp();
    for (const char* title : {"01 - First", "02 - Second"}) {
      gametest::WriteBytes(Paths.levels + title + ".xml",
                           std::string("<title>") + title +
                               "</title>\n<from>40,100</from>\n<to>60,100</to>\n"
                               "<room>\n<position>0,0</position>\n<top>\n<layer></layer>\n<layer></layer>\n"
                               "<layer>\n2:cross\n</layer>\n</top>\n</room>\n");
    }
    AddPack({"01 - First", "02 - Second"});
    // Solid sprites, so that the player touches the cross.
    gfx = testgraphics::MakeImage(8, 16 * 512, std::vector<uint32_t>(8 * 16 * 512, 0xFFFFFFFFu), 8, 16, 0, 512);
    MidHandleImage(gfx);
    DrawMax[kDrawMain] = 1000;
    // Every frame drawn and no display switch under way: the pump opens the
    // pause menu in any frame.
    Options[7] = 0;
    ChangingRes = 0;
    KeyV[10] = kFireKey;
    ClearList(Highscores);
    // Fire leaves each map screen once it is shown; the name entry takes
    // what was typed in its first frame and Enter in its third.
    everyFrame = [this] {
      if (frames_ > kMostFrames) throw HungGame{};
      if (mapstate.mapDone == 0 && mapstate.fadeTick == 0) testbackend::PressKey(kFireKey);
      else testbackend::ReleaseKey(kFireKey);
      if (InGame != 0) return;
      ++nameFrames;
      if (nameFrames == 1) testbackend::TypeText(typedName);
      if (nameFrames == 3) testbackend::TapKey(kEnterKey);
    };
  }

  // Plays a game from the title screen's start on pack entry `mode`.
  void Play(int32_t mode) {
    frames_ = 0;
    nameFrames = 0;
    GameMode = mode;
    Uselevel = mode == 0 ? levels.First() : levels.Last();
    InGame = 1;
    ASSERT_NO_THROW(PlayGame());
  }

  std::vector<std::string> HistoryLines() const {
    return testutil::CrlfLines(testutil::ReadBytes(Paths.game + "scores.dat"));
  }

  int nameFrames = 0;
  std::string typedName;
};

TEST_F(FinishedGameTest, AQuitOnEitherMapScreenEndsTheGameThereWithQuitInItsRecord) {
  struct Case {
    std::string level;  // whose map screen
    int quitFrame;      // the frame of that screen in which Quit is chosen
    std::string record; // the start of the record line
  };
  // The game's first map screen and the one before the second level, each
  // in its first frame, during its fade-in and once it is shown.
  const std::vector<Case> cases = {
      {"01 - First", 1, "0|Ann|"},      {"01 - First", 30, "0|Ann|"},      {"01 - First", 80, "0|Ann|"},
      {"02 - Second", 1, "1000|Ann|"}, {"02 - Second", 30, "1000|Ann|"}, {"02 - Second", 80, "1000|Ann|"},
  };
  MyName = "Ann";
  const Case* now = nullptr;
  int quits = 0;
  int lastMapFrame = 0;  // of the screen quit, counted as the screen counts them
  // Esc is down throughout: the pause menu opens in every frame and the
  // player goes on, until the chosen frame of the chosen map screen.
  PumpServices().pauseMe = [&] {
    if (Uselevel->Title != now->level || mapstate.mapDone != 0 || mapstate.glowTick + 1000 != now->quitFrame) {
      return kPauseContinue;
    }
    ++quits;
    testbackend::ReleaseKey(kEscKey);
    return kPauseQuit;
  };
  const auto inner = everyFrame;
  everyFrame = [&] {
    if (quits == 1 && InGame != 0) lastMapFrame = mapstate.glowTick + 1000;
    inner();
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.level + ", frame " + std::to_string(c.quitFrame));
    now = &c;
    quits = 0;
    lastMapFrame = 0;
    ClearList(Highscores);
    std::filesystem::remove(Paths.game + "scores.dat");
    testbackend::PressKey(kEscKey);
    Play(0);
    EXPECT_EQ(quits, 1);
    // The screen fades out from where it stood, and the level after it is
    // never played.
    EXPECT_LE(lastMapFrame, c.quitFrame + 59);
    EXPECT_EQ(Uselevel->Title, c.level);
    EXPECT_EQ(playstate.loopexit, kPauseQuit);
    EXPECT_EQ(leveltick, 0);
    ASSERT_EQ(CountList(Highscores), 1);
    EXPECT_EQ(Highscores.First()->Quit, 1);
    const auto lines = HistoryLines();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0].rfind(c.record, 0), 0u) << lines[0];
    EXPECT_EQ(lines[0].substr(lines[0].size() - 2), "|1") << lines[0];
  }
}

TEST_F(FinishedGameTest, AFinishedGameReachesTheHistoryFileWithWhatTheGameMadeOfIt) {
  SetLocalClockHook([] { return LocalDateTime{2026, 12, 8, 9, 15, 30, 0}; });
  MyName = "";
  typedName = "Ann";
  // Nothing in the game sets these yet; the record carries whatever they
  // hold. Badges and best values set before the game are cleared by its
  // set-up, so the test sets them during play.
  GameLevel = 3;
  GameFlags = 5;
  const auto inner = everyFrame;
  everyFrame = [&] {
    if (InGame == 1 && mapstate.mapDone == 1) {
      Mybadges = 9;
      for (int k = 0; k <= 30; ++k) MyBest[k] = k + 100;
    }
    inner();
  };
  // Started on the second level: its cross ends the game, as no level
  // follows it.
  Play(1);
  GameLevel = 0;
  GameFlags = 0;
  EXPECT_EQ(playstate.loopexit, 1);
  const auto lines = HistoryLines();
  ASSERT_EQ(lines.size(), 2u);
  // Score, name, badges, the stamp of the name's confirmation (((((2026 * 12
  // + 12) * 31 + 8) * 24 + 9) * 60 + 15) * 60 + 30), level, pack entry,
  // flags, no quit; then best values 1 to 30.
  EXPECT_EQ(lines[0], "1000|Ann|9|65150126130|3|1|5|0");
  std::string best = "101";
  for (int k = 2; k <= 30; ++k) best += "|" + std::to_string(k + 100);
  EXPECT_EQ(lines[1], best);
  ASSERT_EQ(CountList(Highscores), 1);
  EXPECT_EQ(Highscores.First()->Name, "Ann");
}

TEST_F(FinishedGameTest, AGameOverIsRecordedByTheWayOutWhenTheRunEndsBeforeItsNameIsConfirmed) {
  // A game ends by a death, by its last cross or by Quit in the pause menu;
  // then, while its last picture is held or while its name is typed, the
  // system asks the program to end (a signal) or the window is closed (the
  // farewell screen, closed again). The way out records the game with the
  // name as it stands in the entry, an emptied one included, as Enter
  // does, and saves it once. A name confirmed with Enter still held is
  // recorded by the end of play, and not again by the way out.
  SetLocalClockHook([] { return LocalDateTime{2026, 12, 8, 9, 15, 30, 0}; });
  enum class End { kDeath, kCross, kQuit };
  enum class When { kHold, kTyping, kEnterHeld };
  struct Case {
    const char* what;
    End end;
    When when;
    bool signal;           // else a close request
    std::string startName;  // MyName when the game ends
    std::string keys;       // typed in the entry, one a frame; '\b' a Backspace
    std::string record;     // the game's line in scores.dat
  };
  const std::vector<Case> cases = {
      {"death, hold, signal", End::kDeath, When::kHold, true, "Ann", "", "0|Ann|0|65150126130|0|1|0|0"},
      {"cross, hold, close", End::kCross, When::kHold, false, "Ann", "", "1000|Ann|0|65150126130|0|1|0|0"},
      {"quit, hold, signal", End::kQuit, When::kHold, true, "Ann", "", "0|Ann|0|65150126130|0|1|0|1"},
      {"death, typed, close", End::kDeath, When::kTyping, false, "", "Ab", "0|Ab|0|65150126130|0|1|0|0"},
      {"cross, typed, signal", End::kCross, When::kTyping, true, "", "Ab", "1000|Ab|0|65150126130|0|1|0|0"},
      {"quit, typed, close", End::kQuit, When::kTyping, false, "Jo", "Ab", "0|JoAb|0|65150126130|0|1|0|1"},
      {"quit, emptied, signal", End::kQuit, When::kTyping, true, "Ann", "\b\b\b", "0||0|65150126130|0|1|0|1"},
      {"death, emptied, close", End::kDeath, When::kTyping, false, "Player", "\b\b\b\b\b\b",
       "0||0|65150126130|0|1|0|0"},
      {"death, begun empty, hold, signal", End::kDeath, When::kHold, true, "", "", "0||0|65150126130|0|1|0|0"},
      {"cross, Enter held, signal", End::kCross, When::kEnterHeld, true, "", "Ab",
       "1000|Ab|0|65150126130|0|1|0|0"},
      {"quit, Enter held, close", End::kQuit, When::kEnterHeld, false, "Jo", "\bAb", "0|JAb|0|65150126130|0|1|0|1"},
      {"cross, emptied, Enter held, signal", End::kCross, When::kEnterHeld, true, "Ann", "\b\b\b",
       "1000||0|65150126130|0|1|0|0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClearList(Highscores);
    std::filesystem::remove(Paths.game + "scores.dat");
    // A death or a quit comes before the player reaches any cross.
    gametest::WriteBytes(Paths.levels + "02 - Second.xml",
                         std::string("<title>02 - Second</title>\n<from>40,100</from>\n<to>60,100</to>\n"
                                     "<room>\n<position>0,0</position>\n<top>\n<layer></layer>\n<layer></layer>\n") +
                             (c.end == End::kCross ? "<layer>\n2:cross\n</layer>\n" : "") + "</top>\n</room>\n");
    HistoryLoaded = true;
    MyName = c.startName;
    PumpServices().finish = [] { Finish(); };
    PumpServices().pauseMe = [] {
      testbackend::ReleaseKey(kEscKey);
      return kPauseQuit;
    };
    int playFrames = 0;
    bool requested = false;
    const auto request = [&] {
      requested = true;
      if (c.signal) testbackend::RequestSystemQuit();
      else testbackend::RequestClose();
    };
    everyFrame = [&] {
      if (frames_ > kMostFrames) throw HungGame{};
      if (mapstate.mapDone == 0 && mapstate.fadeTick == 0) testbackend::PressKey(kFireKey);
      else testbackend::ReleaseKey(kFireKey);
      if (InGame == 1) {
        if (mapstate.mapDone != 1) return;
        ++playFrames;
        if (playFrames == 1 && c.end == End::kDeath) pla->health = 0;
        if (playFrames == 2 && c.end == End::kQuit) testbackend::PressKey(kEscKey);
        return;
      }
      ++nameFrames;
      const size_t typed = static_cast<size_t>(nameFrames - 1);
      if (typed < c.keys.size()) {
        if (c.keys[typed] == '\b') testbackend::TapKey(8);
        else testbackend::TypeText(std::string(1, c.keys[typed]));
      }
      if (nameFrames == static_cast<int>(c.keys.size()) + 2) {
        if (c.when == When::kTyping) request();
        if (c.when == When::kEnterHeld) testbackend::PressKey(kEnterKey);
      }
    };
    // Polls after the game's end was decided: the last frame's tail, then
    // the hold. Enter held after the name waits in polls without frames.
    int64_t heldSince = -1;
    int64_t decided = 0;
    testbackend::SetInputPollHook([&](int64_t polls) {
      if (testgraphics::DisplayWidth() == 640) {
        // The farewell screen waits for a key: a second close ends it.
        testbackend::RequestClose();
        return;
      }
      if (requested) return;
      if (c.when == When::kHold && InGame == 1 && playstate.loopexit != 0 && ++decided == 100) request();
      if (c.when == When::kEnterHeld && InGame == 0 && nameFrames > static_cast<int>(c.keys.size()) + 2 &&
          inputstate::KeyDown(kEnterKey) != 0) {
        if (heldSince < 0) heldSince = polls;
        if (polls == heldSince + 50) request();
      }
    });
    frames_ = 0;
    nameFrames = 0;
    GameMode = 1;
    Uselevel = levels.Last();
    InGame = 1;
    int status = -1;
    try {
      PlayGame();
      // The request kept by the wait for Enter to come up is answered by
      // whatever waits or runs a frame next.
      WaitStep();
    } catch (const testbackend::AppExited& e) {
      status = e.status;
    }
    testbackend::SetInputPollHook({});
    testbackend::ReleaseKey(kEnterKey);
    EXPECT_TRUE(requested);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(nameFrames == 0, c.when == When::kHold) << nameFrames;
    // One game: its record and its best values.
    const std::string best = "0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0|0";
    EXPECT_EQ(HistoryLines(), (std::vector<std::string>{c.record, best}));
    testutil::OpenTestScreen();
  }
}

TEST_F(FinishedGameTest, AGameIsRecordedByAWayOutTakenFromTheMomentItIsOver) {
  // A game is over the moment its player dies, takes the last cross or
  // chooses Quit in a pause menu, yet frames of it still run: its banner, the
  // rest of the pause menu's frame and its wait for Esc to come up, the rest
  // of the frame that opened the menu, a map screen fading out. A signal, a
  // close request or Alt+F4 then records the game as its end of play would
  // have, once, and the run ends with status 0. During the banner of a cross
  // that leads to a next level the game goes on, and nothing is recorded.
  SetLocalClockHook([] { return LocalDateTime{2026, 12, 8, 9, 15, 30, 0}; });
  constexpr int kSpaceKey = 32, kDownKey = 40, kF4Key = 115, kLAltKey = 164;
  enum class Ends { kDeath, kCross, kPlayQuit, kMapQuit };
  enum class At { kBanner, kQuitFrame, kEscHeld, kMenuCaller, kNextMapFrame };
  enum class Way { kSignal, kClose, kAltF4, kDisplayLost };
  struct Case {
    const char* what;
    int32_t mode;  // the pack entry the game starts on
    Ends ends;
    At at;
    int bannerFrame;     // for At::kBanner, counting the frame of the death or cross as 1
    std::string record;  // the game's line in scores.dat; empty when none is made
  };
  const std::string kStamp = "|Ann|9|65150126130|3|";
  const std::vector<Case> cases = {
      {"quit chosen: the rest of the menu's frame", 1, Ends::kPlayQuit, At::kQuitFrame, 0, "70" + kStamp + "1|5|1"},
      {"quit chosen: Esc held after it", 1, Ends::kPlayQuit, At::kEscHeld, 0, "70" + kStamp + "1|5|1"},
      {"quit chosen: the rest of the frame that opened the menu", 1, Ends::kPlayQuit, At::kMenuCaller, 0,
       "70" + kStamp + "1|5|1"},
      {"quit on the first map screen: the menu's frame", 1, Ends::kMapQuit, At::kQuitFrame, 0,
       "0" + kStamp + "1|5|1"},
      {"quit on the first map screen: its frame", 1, Ends::kMapQuit, At::kMenuCaller, 0, "0" + kStamp + "1|5|1"},
      {"quit on the next level's map screen: its fade-out", 0, Ends::kMapQuit, At::kNextMapFrame, 0,
       "1070" + kStamp + "0|5|1"},
      {"death: its own frame", 1, Ends::kDeath, At::kBanner, 1, "70" + kStamp + "1|5|0"},
      {"death: the banner", 1, Ends::kDeath, At::kBanner, 60, "70" + kStamp + "1|5|0"},
      {"death: the banner's last frame", 1, Ends::kDeath, At::kBanner, 120, "70" + kStamp + "1|5|0"},
      {"last cross: its own frame", 1, Ends::kCross, At::kBanner, 1, "1070" + kStamp + "1|5|0"},
      {"last cross: the count-up", 1, Ends::kCross, At::kBanner, 200, "1070" + kStamp + "1|5|0"},
      {"a cross with a level after it: the count-up", 0, Ends::kCross, At::kBanner, 200, ""},
  };
  std::string best = "101";
  for (int k = 2; k <= 30; ++k) best += "|" + std::to_string(k + 100);
  GameLevel = 3;
  GameFlags = 5;
  for (const Case& c : cases) {
    for (Way way : {Way::kSignal, Way::kClose, Way::kAltF4, Way::kDisplayLost}) {
      // Alt+F4 is read by frames only.
      if (way == Way::kAltF4 && c.at == At::kEscHeld) continue;
      SCOPED_TRACE(std::string(c.what) + (way == Way::kSignal  ? ", signal"
                                          : way == Way::kClose ? ", close"
                                          : way == Way::kAltF4 ? ", Alt+F4"
                                                               : ", display lost"));
      ClearList(Highscores);
      std::filesystem::remove(Paths.game + "scores.dat");
      // The second level has its cross only when the game is to end on it.
      gametest::WriteBytes(Paths.levels + "02 - Second.xml",
                           std::string("<title>02 - Second</title>\n<from>40,100</from>\n<to>60,100</to>\n"
                                       "<room>\n<position>0,0</position>\n<top>\n<layer></layer>\n<layer></layer>\n") +
                               (c.ends == Ends::kCross ? "<layer>\n2:cross\n</layer>\n" : "") + "</top>\n</room>\n");
      HistoryLoaded = true;
      SavedForExit = false;
      MyName = "Ann";
      PumpServices().finish = [] { Finish(); };
      int playFrames = 0, bannerFrames = 0, pauseFrames = 0, afterMenu = 0, menuPolls = 0;
      int32_t lastTick = 0;
      bool requested = false;
      const auto request = [&] {
        requested = true;
        if (way == Way::kSignal) testbackend::RequestSystemQuit();
        if (way == Way::kClose) testbackend::RequestClose();
        if (way == Way::kAltF4) {
          testbackend::PressKey(kLAltKey);
          testbackend::PressKey(kF4Key);
        }
        // The window system's library calls the hook the game set, in the
        // middle of whatever asked it something, and the process ends with
        // the status the hook gives.
        if (way == Way::kDisplayLost) AppExit(LeaveWithoutDisplay("the display is gone"));
      };
      everyFrame = [&] {
        if (frames_ > kMostFrames) throw HungGame{};
        // Badges and best values are set by nothing in the game yet; the
        // record carries what they hold.
        Mybadges = 9;
        for (int k = 0; k <= 30; ++k) MyBest[k] = k + 100;
        // A frame of play moves the level's tick on; the last frame of a map
        // screen, already done, does not.
        const bool played = leveltick != lastTick;
        lastTick = leveltick;
        if (requested) return;
        if (InGame == 2) {
          // The pause menu: Down to Quit, then Space chooses it in the fourth
          // frame (or Esc, held, at the end of the third).
          ++pauseFrames;
          if (pauseFrames == 1) testbackend::PressKey(kDownKey);
          if (pauseFrames == 2) testbackend::ReleaseKey(kDownKey);
          if (pauseFrames == 3) testbackend::PressKey(c.at == At::kEscHeld ? kEscKey : kSpaceKey);
          if (pauseFrames == 4 && c.at == At::kQuitFrame) request();
          return;
        }
        if (pauseFrames >= 4) {
          ++afterMenu;
          if (afterMenu == 1 && c.at == At::kMenuCaller) request();
          if (afterMenu == 2 && c.at == At::kNextMapFrame) request();
          return;
        }
        if (mapstate.mapDone == 0) {
          // A map screen: the one to quit on opens the menu in its 30th
          // frame; the others are left with fire once shown.
          const bool quitHere = c.ends == Ends::kMapQuit && Uselevel->Title == "02 - Second";
          if (quitHere && mapstate.glowTick + 1000 == 30) testbackend::PressKey(kEscKey);
          if (mapstate.fadeTick == 0 && !quitHere) testbackend::PressKey(kFireKey);
          else testbackend::ReleaseKey(kFireKey);
          return;
        }
        testbackend::ReleaseKey(kFireKey);
        if (!played) return;
        ++playFrames;
        if (playFrames == 1) pla->score += 70;
        if (playFrames == 1 && c.ends == Ends::kDeath) pla->health = 0;
        if (playFrames == 2 && c.ends == Ends::kPlayQuit) testbackend::PressKey(kEscKey);
        if (endoflevel != 0 && ++bannerFrames == c.bannerFrame) request();
      };
      const int64_t pollsBefore = testbackend::InputPolls();
      testbackend::SetInputPollHook([&](int64_t polls) {
        if (polls - pollsBefore > kMostPolls) throw HungGame{};
        if (testgraphics::DisplayWidth() == 640) {
          // The farewell screen waits for a key: a second close ends it.
          testbackend::RequestClose();
          return;
        }
        // The key that opened the menu comes up in its first wait.
        if (InGame == 2 && pauseFrames == 0) testbackend::ReleaseKey(kEscKey);
        // Esc chooses Quit at the end of the menu's third frame, and stays down.
        if (c.at == At::kEscHeld && !requested && InGame == 2 && pauseFrames >= 3 && ++menuPolls == 50) request();
      });
      frames_ = 0;
      GameMode = c.mode;
      Uselevel = c.mode == 0 ? levels.First() : levels.Last();
      InGame = 1;
      int status = -1;
      try {
        PlayGame();
      } catch (const testbackend::AppExited& e) {
        status = e.status;
      } catch (const HungGame&) {
        ADD_FAILURE() << "the game ran on";
      }
      testbackend::SetInputPollHook({});
      for (int key : {kEscKey, kSpaceKey, kDownKey, kFireKey, kF4Key, kLAltKey}) testbackend::ReleaseKey(key);
      EXPECT_TRUE(requested);
      EXPECT_EQ(status, way == Way::kDisplayLost ? 1 : 0);
      if (c.record.empty()) {
        EXPECT_EQ(HistoryLines(), std::vector<std::string>{});
      } else {
        EXPECT_EQ(HistoryLines(), (std::vector<std::string>{c.record, best}));
      }
      testutil::OpenTestScreen();
    }
  }
  GameLevel = 0;
  GameFlags = 0;
}

}  // namespace
