// Starting a game: the player record, the per-game values, the loop state,
// the editor switch, the frame loop and its end through the pause menu.
#include <vector>

#include "framework/pause.h"
#include "game/game_state.h"
#include "game/play_game.h"
#include "game_test_util.h"
#include "level/level_browser.h"
#include "level/rooms.h"
#include "map/map_screen.h"
#include "platform/test/test_input.h"
#include "scores/popups.h"
#include "scores/score_records.h"
#include "settings/startup_sequence.h"

namespace {

using gametest::GameTest;

constexpr int kFireKey = 90;
constexpr int kEscKey = 27;
constexpr int kEnterKey = 13;
constexpr int32_t BAT = 160, DOG = 162;

// A level whose start room holds a bat and a dog, and a second room.
const char kLevel[] =
    "<title>Moor</title>\n<author>Me</author>\n<from>10,10</from>\n<to>20,20</to>\n"
    "<room>\n<title>Start</title>\n<position>0,0</position>\n<top>\n<layer>\n0:bat\n5:dog\n</layer>\n"
    "<room>\n<position>1,0</position>\n";

class SetupTest : public GameTest {
 protected:
  void SetUp() override {
    GameTest::SetUp();
    KeyV[10] = kFireKey;
    // Fire skips the map screen as soon as it is fully shown; Esc goes
    // down at the end of the play frame `quitAt` (counted from the map's end).
    everyFrame = [this] {
      // The map's last frame has already set mapDone.
      const bool inMap = mapstate.mapDone == 0 || mapRunning;
      mapRunning = mapstate.mapDone == 0;
      if (inMap) {
        if (mapstate.fadeTick == 0) testbackend::PressKey(kFireKey);
        else testbackend::ReleaseKey(kFireKey);
        return;
      }
      testbackend::ReleaseKey(kFireKey);
      // After the game the name entry asks for a name: Enter confirms it.
      if (InGame == 0) {
        ++nameFrames;
        if (!typedName.empty() && nameFrames == 1) testbackend::TypeText(typedName);
        if (nameFrames == 5) testbackend::TapKey(kEnterKey);
        return;
      }
      ++playFrames;
      if (playFrames == quitAt) testbackend::PressKey(kEscKey);
      else testbackend::ReleaseKey(kEscKey);
    };
    PumpServices().pauseMe = [this] {
      ++pauses;
      return kPauseQuit;
    };
    gametest::WriteBytes(Paths.levels + "moor.xml", kLevel);
    Uselevel = Pack("moor.xml", "Moor");
  }

  static std::shared_ptr<game> Pack(const std::string& name, const std::string& title) {
    auto g = std::make_shared<game>();
    g->name = name;
    g->Title = title;
    g->SX = g->SY = 10;
    g->EX = g->EY = 20;
    return g;
  }

  // Kinds of the records in `objects`, the player as 0.
  static std::vector<int32_t> Kinds() {
    std::vector<int32_t> out;
    for (const auto& o : objects) out.push_back(o->t);
    return out;
  }

  int playFrames = 0;
  int nameFrames = 0;
  std::string typedName;
  bool mapRunning = false;
  int quitAt = 1;
  int pauses = 0;
};

TEST_F(SetupTest, ThePlayerStartsAtTheLeftOfTheStartRoomWithAmmunitionAndNoKeys) {
  auto old = std::make_shared<ect>();
  old->t = BAT;
  ListAddLast(objects, old);
  SetupGame();
  ASSERT_TRUE(pla);
  EXPECT_EQ(objects.Last(), pla);
  EXPECT_EQ(objects.First(), old);
  ect want;
  want.x = 20;
  want.layer = 2;
  want.health = 100;
  for (int slot = 0; slot < 24; ++slot) want.ammo[slot] = 1;
  const ect& p = *pla;
  EXPECT_EQ(p.ammo, want.ammo);
  EXPECT_EQ(p.inv, want.inv);
  const std::vector<std::pair<const char*, std::pair<int32_t, int32_t>>> fields = {
      {"oID", {p.oID, 0}},    {"x", {p.x, 20}},        {"y", {p.y, 0}},         {"layer", {p.layer, 2}},
      {"gx", {p.gx, 0}},      {"roomx", {p.roomx, 0}}, {"roomy", {p.roomy, 0}}, {"stp", {p.stp, 0}},
      {"anim", {p.anim, 0}},  {"jump", {p.jump, 0}},   {"jumpx", {p.jumpx, 0}}, {"d", {p.d, 0}},
      {"t", {p.t, 0}},        {"dead", {p.dead, 0}},   {"tick", {p.tick, 0}},   {"tickreset", {p.tickreset, 0}},
      {"fire", {p.fire, 0}},  {"firepower", {p.firepower, 0}}, {"health", {p.health, 100}}, {"score", {p.score, 0}},
  };
  for (const auto& [name, v] : fields) EXPECT_EQ(v.first, v.second) << name;
  // The level's rooms behind the empty room.
  ASSERT_EQ(CountList(rooms), 3);
  EXPECT_EQ(rooms.First(), EmptyRoom);
}

TEST_F(SetupTest, PerGameValuesAndTheLoopStateStartAfresh) {
  leveltick = 77;
  score = 5000;
  Mybadges = 12;
  endoflevel = 2;
  endotick = 90;
  MyBest.fill(9);
  playstate.zoom = 4.0f;
  playstate.overview = 1;
  playstate.basex = 160;
  playstate.basey = 1;
  playstate.titleedit = 1;
  playstate.editlayer = 3;
  playstate.unsaved = 1;
  playstate.freeslot = -1;
  playstate.loopexit = 99;
  playstate.levelstep = 4;
  playstate.healthbonus = 50;
  playstate.endline1 = "Level Complete";
  playstate.endline2 = "Bonus";
  SetupGame();

  EXPECT_EQ(leveltick, 0);
  EXPECT_EQ(score, 0);
  EXPECT_EQ(Mybadges, 0);
  EXPECT_EQ(endoflevel, 0);
  EXPECT_EQ(endotick, 0);
  EXPECT_EQ(MyBest[0], 9);
  for (int slot = 1; slot <= 30; ++slot) EXPECT_EQ(MyBest[slot], 0) << slot;

  const PlayState& s = playstate;
  EXPECT_EQ(s.zoom, 7.0f);
  EXPECT_EQ(s.zoomto, 7.0f);
  EXPECT_EQ(s.edititem, 42);
  EXPECT_EQ(s.newroom, 1);
  const std::vector<std::pair<const char*, int32_t>> zeros = {
      {"overview", s.overview},     {"basex", s.basex},           {"basey", s.basey},
      {"titleedit", s.titleedit},   {"editlayer", s.editlayer},   {"unsaved", s.unsaved},
      {"clicklatch", s.clicklatch}, {"hanging", s.hanging},       {"drawframe", s.drawframe},
      {"plascreenx", s.plascreenx}, {"plascreeny", s.plascreeny}, {"plaframe", s.plaframe},
      {"freeslot", s.freeslot},     {"firekind", s.firekind},     {"fireslot", s.fireslot},
      {"barwidth", s.barwidth},     {"barx", s.barx},             {"loopexit", s.loopexit},
      {"levelstep", s.levelstep},   {"healthbonus", s.healthbonus}, {"ammobonus", s.ammobonus},
  };
  for (const auto& [name, v] : zeros) EXPECT_EQ(v, 0) << name;
  EXPECT_EQ(s.endline1, "");
  EXPECT_EQ(s.endline2, "");
}

TEST_F(SetupTest, TheEditorIsOnForThePlayerLevelTitleExactly) {
  gametest::WriteBytes(Paths.levels + "My Level.xml", "<title>xx - Your Level</title>\n");
  struct Case {
    std::string file, title;
    int32_t editmode;
  };
  const std::vector<Case> cases = {
      {"moor.xml", "xx - Your Level", 1},      {"My Level.xml", "xx - Your Level", 1},
      {"My Level.xml", "XX - Your Level", 0},  {"My Level.xml", "xx - your level", 0},
      {"My Level.xml", "xx - Your Level ", 0}, {"My Level.xml", "xx -  Your Level", 0},
      {"My Level.xml", "Moor", 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.file + " / " + c.title);
    editmode = 1 - c.editmode;
    Uselevel = Pack(c.file, c.title);
    SetupGame();
    EXPECT_EQ(editmode, c.editmode);
    EXPECT_EQ(playstate.overview, 0);
    EXPECT_EQ(playstate.editlayer, 0);
    EXPECT_EQ(playstate.edititem, 42);
    // The first frame: in the editor the player cannot be hurt.
    pla->score = 30;
    PlayFrame();
    EXPECT_EQ(pla->health, c.editmode == 1 ? 999 : 100);
    EXPECT_EQ(pla->score, c.editmode == 1 ? 0 : 30);
    EXPECT_EQ(score, pla->score);
  }
}

TEST_F(SetupTest, TheMapScreenRunsBeforeTheEditorIsDecided) {
  Uselevel = Pack("moor.xml", "xx - Your Level");
  int32_t editmodeDuringMap = -1;
  auto inner = everyFrame;
  everyFrame = [&] {
    if (mapstate.mapDone == 0) editmodeDuringMap = editmode;
    inner();
  };
  editmode = 0;
  SetupGame();
  EXPECT_EQ(editmodeDuringMap, 0);
  EXPECT_EQ(editmode, 1);
  EXPECT_EQ(mapstate.mapDone, 1);
  EXPECT_EQ(level, Uselevel);
  // Nothing of the level plays before the first frame.
  EXPECT_EQ(playFrames, 0);
  EXPECT_EQ(leveltick, 0);
}

TEST_F(SetupTest, FramesRunUntilQuitInThePauseMenu) {
  quitAt = 5;
  InGame = 1;
  PlayGame();
  EXPECT_EQ(pauses, 1);
  // Esc pressed during frame 5 is seen by the pump of frame 6.
  EXPECT_EQ(playFrames, 6);
  EXPECT_EQ(playstate.loopexit, 99);
  EXPECT_EQ(InGame, 0);
  EXPECT_EQ(leveltick, 6);
  // The first frame entered the start room: the player first, then its
  // creatures.
  ASSERT_TRUE(ThisRoom);
  EXPECT_EQ(ThisRoom->title, "Start");
  EXPECT_EQ(Kinds(), (std::vector<int32_t>{0, BAT, DOG}));
  EXPECT_EQ(objects.First(), pla);
}

TEST_F(SetupTest, ASecondGameStartsWithANewPlayerAndDropsTheFirstGamesThings) {
  InGame = 1;
  quitAt = 3;
  PlayGame();
  const auto first = pla;
  first->score = 800;
  first->health = 3;
  ASSERT_EQ(Kinds(), (std::vector<int32_t>{0, BAT, DOG}));

  // During the second map screen the first game's records are still there.
  std::vector<int32_t> kindsDuringMap;
  auto inner = everyFrame;
  everyFrame = [&] {
    if (mapstate.mapDone == 0) kindsDuringMap = Kinds();
    inner();
  };
  playFrames = 0;
  InGame = 1;
  SetupGame();
  EXPECT_EQ(kindsDuringMap, (std::vector<int32_t>{0, BAT, DOG, 0}));
  ASSERT_NE(pla, first);
  EXPECT_EQ(objects.Last(), pla);
  EXPECT_EQ(pla->health, 100);
  EXPECT_EQ(pla->score, 0);
  EXPECT_EQ(playstate.loopexit, 0);

  PlayFrame();
  EXPECT_EQ(objects.First(), pla);
  EXPECT_EQ(Kinds(), (std::vector<int32_t>{0, BAT, DOG}));
  for (const auto& o : objects) EXPECT_NE(o, first);
  EXPECT_EQ(score, 0);
}

TEST_F(SetupTest, AMissingLevelFileStartsInTheEmptyRoom) {
  Uselevel = Pack("gone.xml", "Gone");
  quitAt = 2;
  InGame = 1;
  PlayGame();
  EXPECT_EQ(CountList(rooms), 1);
  EXPECT_EQ(ThisRoom, EmptyRoom);
  EXPECT_EQ(Kinds(), (std::vector<int32_t>{0}));
}

TEST_F(SetupTest, AFinishedGameIsNamedRecordedAndWrittenAtOnce) {
  typedName = "Ann";
  MyName = "";
  ClearList(Highscores);
  GameMode = 3;
  quitAt = 4;
  InGame = 1;
  const int32_t before = testbackend::Clock();
  PlayGame();
  // The last picture stays for a second and a half before the name entry.
  EXPECT_GE(testbackend::Clock() - before, 1500);
  EXPECT_GT(nameFrames, 0);
  ASSERT_EQ(CountList(Highscores), 1);
  const auto record = Highscores.First();
  EXPECT_EQ(record->Name, "Ann");
  EXPECT_EQ(record->Quit, 1);
  EXPECT_EQ(record->GameMode, 3);
  EXPECT_EQ(record->Score, 0);
  EXPECT_GT(record->Timestamp, 0);
  // On disk before the program goes on: a crash later keeps the game.
  const std::string saved = testutil::ReadBytes(Paths.game + "scores.dat");
  EXPECT_NE(saved.find("|Ann|"), std::string::npos) << saved;
}

TEST_F(SetupTest, EditsOfTheOwnLevelStillUnsavedAtTheEndAreWritten) {
  Uselevel = Pack("moor.xml", "xx - Your Level");
  InGame = 1;
  quitAt = 2;
  // An edit in the last frame, with the button still held.
  auto inner = everyFrame;
  everyFrame = [&] {
    if (InGame == 1 && playFrames == 1 && mapstate.mapDone == 1) {
      ThisRoom->objEdit[RoomCell(1, 0, 7)] = 96;
      playstate.unsaved = 1;
      testbackend::PressMouse(1);
    }
    inner();
  };
  // The name entry waits for the button to come up.
  testbackend::SetInputPollHook([](int64_t) {
    if (InGame == 0) testbackend::ReleaseMouse(1);
  });
  PlayGame();
  testbackend::SetInputPollHook({});
  const std::string saved = testutil::ReadBytes(Paths.levels + "moor.xml");
  EXPECT_NE(saved.find("7:gem"), std::string::npos) << saved;
  EXPECT_EQ(playstate.unsaved, 0);
}

TEST_F(SetupTest, WithoutALevelPackNothingStarts) {
  Uselevel = nullptr;
  InGame = 1;
  PlayGame();
  EXPECT_EQ(InGame, 0);
  EXPECT_EQ(frames_, 0);
  EXPECT_FALSE(pla);
}

}  // namespace
