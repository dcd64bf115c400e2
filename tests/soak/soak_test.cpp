// The whole game run long and hard on random input: start-up, title, map
// screen, play, level ends, name entry and farewell, session after session in
// one process, with the options overlay, the pause menu, screenshots and the
// editor on the player's own level. Nothing may crash, nothing may grow from
// one game to the next, and the player's files must read back at the end.
//
// SOAK_FRAMES sets the length (default 200000 frames), SOAK_SEED the seed.
#include <gtest/gtest.h>

#include <dirent.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "common/test_util.h"
#include "framework/globals.h"
#include "framework/pause.h"
#include "framework/pump.h"
#include "game/game_state.h"
#include "level/level_browser.h"
#include "level/level_file.h"
#include "level/rooms.h"
#include "map/map_screen.h"
#include "music/player_step.h"
#include "platform/app.h"
#include "platform/files.h"
#include "platform/list.h"
#include "platform/test/test_audio.h"
#include "platform/test/test_backend.h"
#include "platform/test/test_graphics.h"
#include "platform/test/test_input.h"
#include "scores/history.h"
#include "scores/score_panel.h"
#include "scores/score_records.h"
#include "settings/common_assets.h"
#include "settings/debug_log.h"
#include "settings/display.h"
#include "settings/options.h"
#include "settings/settings_file.h"
#include "startup/globals.h"
#include "startup/main_routine.h"
#include "startup/object_kinds.h"
#include "title/title.h"

namespace fs = std::filesystem;

namespace {
fs::path g_root;
}  // namespace

// The test backend has no application shell: the executable's folder is the
// soak run's copy of the game.
std::string AppDir() { return g_root.string() + "/"; }

namespace {

// Game key codes.
constexpr int kBackspace = 8, kTab = 9, kEnter = 13, kEsc = 27, kSpace = 32, kLeft = 37, kUp = 38, kRight = 39,
              kDown = 40, kF4 = 115, kF11 = 122, kF12 = 123, kLAlt = 164;
// Player 1's slots in the bindings table and their keys at a fresh start.
constexpr int kUpSlot = 0, kLeftSlot = 3, kRightSlot = 5, kDownSlot = 8, kFireSlot = 10, kJumpSlot = 11,
              kCSlot = 12, kVSlot = 13;
const std::map<int, int> kDefaultBindings = {{kUpSlot, 38},   {kLeftSlot, 37}, {kRightSlot, 39},
                                             {kDownSlot, 40}, {kFireSlot, 90}, {kJumpSlot, 88},
                                             {kCSlot, 67},    {kVSlot, 86}};

enum class Screen { Title, Options, Map, Play, LevelEnd, Editor, Pause, NameEntry, Farewell, Count };
const std::array<const char*, static_cast<size_t>(Screen::Count) + 1> kScreenNames = {"title",     "options overlay", "map screen", "play",     "level end",
                                    "editor",    "pause menu",      "name entry", "farewell", "start-up"};

// Unwinds the game once the run is over.
struct StopSoak {};

int OpenFiles() {
  int n = 0;
  if (DIR* d = ::opendir("/proc/self/fd")) {
    while (::readdir(d) != nullptr) ++n;
    ::closedir(d);
    n -= 3;  // ".", ".." and the folder's own handle
  }
  return n;
}

// What is alive at one moment: the game's containers and the backend's objects.
struct Census {
  int objects = 0, rooms = 0, levels = 0, comments = 0, scoreget = 0, driving = 0;
  int images = 0, fonts = 0, pixmaps = 0, sounds = 0, voices = 0, files = 0;

  static Census Take() {
    Census c;
    c.objects = ::objects.Count();
    c.rooms = ::rooms.Count();
    c.levels = ::levels.Count();
    c.comments = ::comments.Count();
    c.scoreget = ::scoreget.Count();
    c.driving = ::driving.Count();
    c.images = testgraphics::LiveImages();
    c.fonts = testgraphics::LiveFonts();
    c.pixmaps = testgraphics::LivePixmaps();
    c.sounds = testbackend::LiveSounds();
    c.voices = testbackend::LiveChannels();
    c.files = OpenFiles();
    return c;
  }
  std::vector<std::pair<const char*, int>> Fields() const {
    return {{"objects", objects}, {"rooms", rooms},     {"levels", levels},   {"comments", comments},
            {"scoreget", scoreget}, {"driving", driving}, {"images", images},   {"fonts", fonts},
            {"pixmaps", pixmaps}, {"sounds", sounds},   {"voices", voices},   {"open files", files}};
  }
};

struct Figures {
  int64_t frames = 0;
  int sessions = 0;
  int games = 0;
  int editorGames = 0;
  int levelsCompleted = 0;
  int gamesOver = 0;
  int quits = 0;
  int named = 0;
  int screenshots = 0;
  int applies = 0;
  // By screen; the last entry counts the frames before the first screen.
  std::array<int, static_cast<int>(Screen::Count) + 1> entered{};
  std::array<int64_t, static_cast<int>(Screen::Count) + 1> framesOn{};
  Census peak;
};

// ---- the driver ------------------------------------------------------------------

class Driver {
 public:
  Driver(uint32_t seed, int64_t frames) : rng_(seed), target_(frames) {}

  Figures figures;
  std::vector<std::string> failures;
  int historyAtFarewell = -1;

  bool Over() const { return figures.frames >= target_; }
  bool Winding() const { return winding_; }

  // A fresh process: the backend at program start, the hooks in place.
  void StartSession() {
    ++figures.sessions;
    // Only the texts are looked at; every other draw is counted.
    testgraphics::KeepOnly({testgraphics::Op::Text});
    // A machine of a few microseconds a sprite: the engine speed test of
    // every display start settles at a few thousand sprites a frame.
    testgraphics::SetDrawCost(4);
    farewell_ = false;
    farewellPolls_ = -1;
    keys_.clear();
    buttons_.clear();
    screen_ = Screen::Count;
    gameSamples_.clear();
    InstallHooks();
  }

  // Called at the session's end (the farewell ended the process).
  void EndSession() {
    ++figures.entered.at(static_cast<size_t>(Screen::Farewell));
    ResetPumpServices();
  }

  void Fail(const std::string& what) {
    if (failures.size() < 40) failures.push_back("frame " + std::to_string(figures.frames) + ": " + what);
  }

 private:
  // -- randomness
  double Unit() { return std::uniform_real_distribution<double>(0.0, 1.0)(rng_); }
  bool Chance(double p) { return Unit() < p; }
  int Between(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng_); }
  template <class T>
  const T& Pick(const std::vector<T>& v) {
    return v[static_cast<size_t>(Between(0, static_cast<int>(v.size()) - 1))];
  }

  // -- input
  void SetKey(int key, bool down) {
    if (key <= 0 || key > 255) return;
    if (down == (keys_.count(key) != 0)) return;
    if (down) {
      testbackend::PressKey(key);
      keys_.insert(key);
    } else {
      testbackend::ReleaseKey(key);
      keys_.erase(key);
    }
  }
  void SetButton(int button, bool down) {
    if (down == (buttons_.count(button) != 0)) return;
    if (down) {
      testbackend::PressMouse(button);
      buttons_.insert(button);
    } else {
      testbackend::ReleaseMouse(button);
      buttons_.erase(button);
    }
  }
  void ReleaseAll() {
    for (int k : std::set<int>(keys_)) SetKey(k, false);
    for (int b : std::set<int>(buttons_)) SetButton(b, false);
  }
  // Holds exactly `want` from the next frame on.
  void Hold(const std::set<int>& want) {
    for (int k : std::set<int>(keys_))
      if (want.count(k) == 0) SetKey(k, false);
    for (int k : want) SetKey(k, true);
  }
  int Bound(int slot) const { return KeyV[static_cast<size_t>(slot)]; }
  void Mouse(float x, float y) { testbackend::SetMouse(x, y); }
  void MouseSomewhere() {
    Mouse(static_cast<float>(Between(-20, JScrw + 20)), static_cast<float>(Between(-20, JScrh + 20)));
  }

  // Pure noise: any of the game's keys, the pointer, its buttons, the wheel, typing.
  void Noise() {
    static const std::vector<int> pool = {kLeft, kUp,    kRight, kDown, 'Z', 'X', 'C', 'V', kSpace, kEnter,
                                          kTab,  kEsc,   kF11,   kF12,  'A', 'Q', '1', kBackspace, kLAlt, 16};
    std::set<int> want;
    const int n = Between(0, 3);
    for (int i = 0; i < n; ++i) {
      const int k = Pick(pool);
      // Screenshots, the debug overlay and Tab are kept rare: each has its
      // own purposeful turn below.
      if ((k == kF11 || k == kF12 || k == kTab || k == kEsc) && !Chance(0.1)) continue;
      want.insert(k);
    }
    Hold(want);
    if (Chance(0.3)) MouseSomewhere();
    SetButton(1, Chance(0.2));
    SetButton(2, Chance(0.1));
    if (Chance(0.05)) testbackend::TurnWheel(Between(-3, 3));
    if (Chance(0.02)) testbackend::TypeText(std::string(1, static_cast<char>(Between(32, 255))));
  }

  // -- which screen is up: the game's own state, and the texts of the frame
  Screen Look() {
    bool title = false, name = false, pause = false;
    for (const auto& d : testgraphics::Draws()) {
      if (d.op != testgraphics::Op::Text) continue;
      if (d.text.rfind("Press Start (", 0) == 0) title = true;
      else if (d.text == "Enter Your Name") name = true;
      else if (d.text == "Continue") pause = true;
    }
    testgraphics::ClearDraws();
    if (InGame == 2 && pause) return Screen::Pause;
    if (name) return Screen::NameEntry;
    if (InGame == 1 && mapstate.mapDone == 0) return Screen::Map;
    if (InGame == 1) {
      if (endoflevel != 0) return Screen::LevelEnd;
      return editmode == 1 ? Screen::Editor : Screen::Play;
    }
    if (title) return Screen::Title;
    return screen_;
  }

  // -- every frame
  void OnFrame() {
    ++figures.frames;
    farewellPolls_ = -1;
    pollsAtFrame_ = testbackend::InputPolls();
    stalls_ = 0;
    const Screen s = Look();
    const bool overlay = optin > -300;
    if (s != screen_) Entered(s);
    if (overlay && !overlayOpen_) ++figures.entered.at(static_cast<size_t>(Screen::Options));
    overlayOpen_ = overlay;
    screen_ = s;
    ++screenFrames_;
    ++figures.framesOn.at(static_cast<size_t>(s));
    if (overlay) ++figures.framesOn.at(static_cast<size_t>(Screen::Options));
    CountPeaks();
    if (startPending_ && screenFrames_ >= 2) StartRoomEntered();
    if (figures.frames % 5000 == 0) TidyScreenshots();
    if (Over() && !winding_) {
      winding_ = true;
      windFrames_ = 0;
    }
    if (winding_ && ++windFrames_ > 60000) {
      Fail("the run did not reach the farewell screen while winding up");
      throw StopSoak{};
    }
    Decide(s, overlay);
  }

  void Entered(Screen s) {
    ++figures.entered.at(static_cast<size_t>(s));
    screenFrames_ = 0;
    plan_.clear();
    if (s == Screen::Title && (screen_ == Screen::NameEntry || screen_ == Screen::Count)) TitleVisit();
    if ((s == Screen::Play || s == Screen::Editor) && screen_ == Screen::Map) GameStarted(s);
    if (s == Screen::LevelEnd) {
      if (endoflevel == 1) ++figures.levelsCompleted;
      else ++figures.gamesOver;
    }
    if (s == Screen::NameEntry) {
      ++figures.named;
      if (playstate.loopexit == kPauseQuit) ++figures.quits;
    }
  }

  void CountPeaks() {
    const Census c = Census::Take();
    Census& p = figures.peak;
    auto up = [](int& a, int b) { a = std::max(a, b); };
    up(p.objects, c.objects);
    up(p.rooms, c.rooms);
    up(p.levels, c.levels);
    up(p.comments, c.comments);
    up(p.scoreget, c.scoreget);
    up(p.driving, c.driving);
    up(p.images, c.images);
    up(p.fonts, c.fonts);
    up(p.pixmaps, c.pixmaps);
    up(p.sounds, c.sounds);
    up(p.voices, c.voices);
    up(p.files, c.files);
  }

  // A game began: its first frame of play, the start room entered.
  // The frame that ends the map screen counts as the game's first: the
  // start room is entered in the frame after it, which is looked at then.
  void GameStarted(Screen s) {
    ++figures.games;
    if (s == Screen::Editor) ++figures.editorGames;
    gameBudget_ = Chance(0.15) ? Between(3000, 9000) : Between(150, 2500);
    startPending_ = true;
  }

  void StartRoomEntered() {
    startPending_ = false;
    if (screen_ != Screen::Play && screen_ != Screen::Editor) return;
    const std::string key = Uselevel ? Uselevel->name + "|" + std::to_string(std::hash<std::string>{}(testutil::ReadBytes(LevelFilePath(Uselevel->name))))
                                     : std::string("?");
    const int things = objects.Count();
    // The editor makes the room the player stands in when there is none.
    const int roomCount = editmode == 1 ? 0 : rooms.Count();
    auto [it, fresh] = startCounts_.try_emplace(key, std::make_pair(things, roomCount));
    if (!fresh && (it->second.first != things || it->second.second != roomCount)) {
      Fail("the start of " + key + " holds " + std::to_string(things) + " things in " + std::to_string(roomCount) +
           " rooms, an earlier start held " + std::to_string(it->second.first) + " in " +
           std::to_string(it->second.second));
    }
  }

  // Back on the title after a game (or at a session's first title frame):
  // what is alive is compared with the session's first return.
  void TitleVisit() {
    // The title's own music, and whatever jingle is still sounding, settle
    // within a second; the comparison waits for them.
    sampleAt_ = 90;
    leaveTitle_ = winding_ || Chance(0.05);
    targetPack_ = -1;
  }

  void SampleAtTitle() {
    const Census c = Census::Take();
    if (gameSamples_.empty()) {
      gameSamples_.push_back(c);
      return;
    }
    const Census& first = gameSamples_.front();
    const auto now = c.Fields();
    const auto base = first.Fields();
    for (size_t i = 0; i < now.size(); ++i) {
      const std::string name = now[i].first;
      // The last game's room and its things stay until the next game, and
      // the ticker's comments fade on their own.
      if (name == "objects" || name == "rooms" || name == "comments" || name == "scoreget" || name == "driving")
        continue;
      if (now[i].second > base[i].second)
        Fail(name + " grew from " + std::to_string(base[i].second) + " to " + std::to_string(now[i].second) +
             " between the session's first and its game " + std::to_string(gameSamples_.size()));
    }
    gameSamples_.push_back(c);
  }

  // -- decisions per screen
  void Decide(Screen s, bool overlay) {
    if (sampleAt_ > 0 && s == Screen::Title && --sampleAt_ == 0) SampleAtTitle();
    if (startPending_) {
      // Hands off until the start room has been looked at.
      ReleaseAll();
      return;
    }
    if (noise_ > 0) {
      --noise_;
      Noise();
      return;
    }
    if (!winding_ && Chance(0.004)) {
      noise_ = Between(5, 90);
      return;
    }
    if (!winding_ && Chance(0.0008) && !overlay) {
      // The options overlay over whatever screen is up.
      Hold({kTab});
      overlayPlan_ = Between(30, 200);
      return;
    }
    if (!winding_ && Chance(0.0004)) {
      Hold({kF11});
      ++figures.screenshots;
      return;
    }
    if (!winding_ && Chance(0.00005)) {
      // The window closed, or Alt+F4: the farewell from anywhere.
      if (Chance(0.5)) testbackend::RequestClose();
      else Hold({kLAlt, kF4});
      return;
    }
    if (!overlay && (s == Screen::Title || s == Screen::Pause || winding_) && !BindingsAsAtStart() &&
        Chance(winding_ ? 1.0 : 0.02)) {
      // Random presses over the overlay's binding buttons moved the
      // controls: bind them back there, as a player would.
      plan_.clear();
      Hold({kTab});
      overlayPlan_ = 400;
      rebinding_ = true;
      return;
    }
    if (overlay || OptionScreen == 1) {
      Overlay();
      return;
    }
    switch (s) {
      case Screen::Title: Title(); break;
      case Screen::Map: MapScreen(); break;
      case Screen::Play: Play(false); break;
      case Screen::Editor: Play(true); break;
      case Screen::LevelEnd: LevelEndScreen(); break;
      case Screen::Pause: Pause(); break;
      case Screen::NameEntry: NameEntry(); break;
      default: Noise(); break;
    }
  }

  // Plan steps: a set of keys held for some frames.
  struct Step {
    std::set<int> keys;
    int frames = 1;
  };
  bool RunPlan() {
    while (!plan_.empty() && plan_.front().frames <= 0) plan_.pop_front();
    if (plan_.empty()) return false;
    Hold(plan_.front().keys);
    --plan_.front().frames;
    return true;
  }
  void Tap(int key, int hold = 2, int gap = 2) {
    plan_.push_back({{key}, hold});
    plan_.push_back({{}, gap});
  }

  int YourLevelIndex() const {
    int i = 0;
    for (const auto& rec : levels) {
      if (rec->name == kMyLevelFile) return i;
      ++i;
    }
    return -1;
  }

  // Player 1 on the arrows and Z, X, C, V; players 2 to 4 unbound.
  static int StartBinding(int slot) {
    if (slot >= 20) return 0;
    const auto it = kDefaultBindings.find(slot);
    return it == kDefaultBindings.end() ? 0 : it->second;
  }
  static constexpr int kBindingSlots[] = {kUpSlot, kLeftSlot, kRightSlot, kDownSlot,
                                          kFireSlot, kJumpSlot, kCSlot, kVSlot};

  bool BindingsAsAtStart() const {
    for (int player = 0; player < 4; ++player)
      for (int slot : kBindingSlots)
        if (Bound(player * 20 + slot) != StartBinding(player * 20 + slot)) return false;
    return true;
  }

  // Whether any player's up or down is on `key`.
  bool BoundAs(int action, int key) const {
    for (int player = 0; player < 4; ++player)
      if (Bound(player * 20 + action) == key) return true;
    return false;
  }
  bool MovesAMenu(int key) const { return BoundAs(kUpSlot, key) || BoundAs(kDownSlot, key); }

  void Title() {
    SetButton(1, false);
    SetButton(2, false);
    if (RunPlan()) return;
    if (screenFrames_ < 3) {
      ReleaseAll();
      return;
    }
    if (leaveTitle_) {
      Tap(kEsc, 3, 1);
      return;
    }
    const int count = levels.Count();
    if (count == 0) return;
    if (targetPack_ < 0 || targetPack_ >= count) {
      const int mine = YourLevelIndex();
      targetPack_ = mine >= 0 && Chance(0.35) ? mine : Between(0, count - 1);
      if (targetPack_ == mine && count > 1 && Chance(0.3)) targetPack_ = (mine + 1) % count;
    }
    if (GameMode != targetPack_) {
      // One step a press; every start control must be seen up in between.
      const bool down = (targetPack_ - GameMode + count) % count <= count / 2;
      Tap(Bound(down ? kDownSlot : kUpSlot), 1, 2);
      return;
    }
    if (Chance(0.05)) {
      Noise();
      return;
    }
    Tap(Bound(kFireSlot), 2, 3);
  }

  void Overlay() {
    SetKey(kTab, false);
    if (OptionScreen == 0) {
      // Sliding away.
      plan_.clear();
      Hold({});
      SetButton(1, false);
      SetButton(2, false);
      return;
    }
    if (RunPlan()) return;
    if (rebinding_) {
      Rebind();
      return;
    }
    if (--overlayPlan_ <= 0) {
      ReleaseAll();
      Tap(kTab, 2, 3);
      RunPlan();
      return;
    }
    if (optin < 20) return;
    // The overlay's widgets, in the virtual screen's units.
    struct Spot {
      int x, y;
    };
    const int right = JScrw - 280;
    const std::vector<Spot> spots = {
        {30, 50},      {30, 100},     {60, 100},     {30, 175},      {30, 285},      // window, size, frames, Apply
        {right + 5, 50}, {right + 10, 95}, {right + 60, 145}, {right + 90, 195}, {right + 5, 255},  // audio
        {300, 40},     {250 + 214, 95}, {700, 100}};  // bindings (rarely used)
    size_t pick = static_cast<size_t>(Between(0, Chance(0.97) ? 9 : 12));
    // Apply switches the display and loads every asset again: now and then.
    if (pick == 4 && !Chance(0.15)) pick = 3;
    const Spot& s = spots[pick];
    Mouse(static_cast<float>(s.x + Between(-6, 6)), static_cast<float>(optin + s.y + Between(-6, 6)));
    if (s.x == 30 && s.y == 285 && Chance(0.5)) {
      ++figures.applies;
    }
    if (Chance(0.5)) {
      plan_.push_back({{}, Between(1, 4)});
      SetButton(Chance(0.8) ? 1 : 2, true);
    } else {
      SetButton(1, false);
      SetButton(2, false);
      if (Chance(0.2)) Hold({Pick(std::vector<int>{kLeft, kRight, kUp, kDown})});
      else Hold({});
    }
  }

  // Points at each of player 1's binding buttons whose key is not the
  // start one and presses that key.
  void Rebind() {
    SetButton(1, false);
    SetButton(2, false);
    if (optin < 20) {
      Hold({});
      return;
    }
    // Centres of parts of each button that no neighbour covers, from the
    // corner of the player's block.
    const std::map<int, std::pair<int, int>> at = {{kUpSlot, {74, 10}},   {kLeftSlot, {24, 74}},
                                                   {kRightSlot, {124, 74}}, {kDownSlot, {74, 74}},
                                                   {kVSlot, {214, 2}},    {kCSlot, {168, 46}},
                                                   {kJumpSlot, {250, 46}}, {kFireSlot, {214, 94}}};
    for (int player = 0; player < 4; ++player) {
      for (int slot : kBindingSlots) {
        const int want = StartBinding(player * 20 + slot);
        if (Bound(player * 20 + slot) == want) continue;
        const auto [px, py] = at.at(slot);
        const int bx = 250 + 400 * (player / 2), by = 10 + 150 * (player % 2);
        Mouse(static_cast<float>(bx + px), static_cast<float>(optin + by + py));
        plan_.push_back({{}, 2});
        plan_.push_back({{want == 0 ? kBackspace : want}, 2});
        plan_.push_back({{}, 2});
        return;
      }
    }
    rebinding_ = false;
    Mouse(static_cast<float>(JScrw / 2), static_cast<float>(JScrh - 10));
    Tap(kTab, 2, 3);
    RunPlan();
  }

  void MapScreen() {
    SetButton(1, false);
    if (RunPlan()) return;
    if (screenFrames_ == 1) {
      if (Chance(0.1) && !winding_) {
        plan_.push_back({{}, Between(0, 60)});
        Tap(kEsc, 3, 3);
        return;
      }
      plan_.push_back({{}, Chance(0.7) ? Between(0, 90) : Between(90, 700)});
      return;
    }
    Tap(Bound(kFireSlot), 2, 2);
  }

  void LevelEndScreen() {
    if (Chance(0.3)) Noise();
    else ReleaseAll();
  }

  void Pause() {
    SetButton(1, false);
    if (RunPlan()) return;
    if (screenFrames_ < 2) {
      Hold({});
      return;
    }
    const bool quit = quitWanted_ || winding_ || Chance(0.5);
    quitWanted_ = false;
    // Keys that a player's up or down is bound to would move the choice too.
    int choose = 0;
    for (int k : {kSpace, Bound(kFireSlot), Bound(kJumpSlot)})
      if (choose == 0 && k > 0 && k != kEsc && !MovesAMenu(k)) choose = k;
    if (choose == 0) {
      Tap(kEsc, 2, 3);
    } else if (quit && !BoundAs(kUpSlot, kDown)) {
      plan_.push_back({{}, 3});
      Tap(kDown, 2, 3);
      Tap(choose, 2, 3);
    } else if (quit) {
      Tap(kEsc, 2, 3);
    } else if (Chance(0.5)) {
      Tap(choose, 2, 3);
    } else {
      Tap(kEsc, 2, 3);
    }
    RunPlan();
  }

  void NameEntry() {
    SetButton(2, false);
    if (RunPlan()) return;
    if (screenFrames_ == 1) {
      ReleaseAll();
      // Start from the name the last game left, or type a new one.
      for (int i = 0, n = Between(0, 14); i < n; ++i) Tap(kBackspace, 1, 1);
      const int letters = Between(0, 12);
      std::string name;
      for (int i = 0; i < letters; ++i) {
        const int pick = Between(0, 9);
        name += static_cast<char>(pick < 7 ? Between('a', 'z') : pick < 9 ? Between(32, 126) : Between(160, 255));
      }
      plan_.push_back({{}, Between(1, 20)});
      typed_ = name;
      return;
    }
    if (!typed_.empty()) {
      testbackend::TypeText(typed_.substr(0, 1));
      typed_.erase(0, 1);
      return;
    }
    const int how = Between(0, 9);
    if (how < 7) Tap(kEnter, 2, 3);
    else if (how < 9) {
      SetButton(1, true);
      plan_.push_back({{}, 2});
    } else {
      Tap(kEsc, 2, 3);
    }
    RunPlan();
  }

  void Play(bool editor) {
    if (screenFrames_ > gameBudget_ || winding_) {
      // Enough of this game: the pause menu's Quit.
      SetButton(1, false);
      SetButton(2, false);
      if (RunPlan()) return;
      quitWanted_ = true;
      Tap(kEsc, 3, 3);
      RunPlan();
      return;
    }
    if (RunPlan()) {
      if (editor) EditorHands();
      return;
    }
    if (editor && Chance(0.08)) {
      Tap(kSpace, 2, Between(2, 30));
      return;
    }
    if (Chance(0.02)) {
      Tap(kEsc, 2, 2);
      return;
    }
    // A stretch of walking, jumping, climbing and shooting.
    std::set<int> keys;
    const int dir = Between(0, 4);
    if (dir == 1) keys.insert(Bound(kLeftSlot));
    if (dir == 2) keys.insert(Bound(kRightSlot));
    if (Chance(0.2)) keys.insert(Bound(kUpSlot));
    if (Chance(0.15)) keys.insert(Bound(kDownSlot));
    if (Chance(0.3)) keys.insert(Bound(kJumpSlot));
    if (Chance(0.3)) keys.insert(Bound(kFireSlot));
    if (Chance(0.08)) keys.insert(Bound(kCSlot));
    if (Chance(0.08)) keys.insert(Bound(kVSlot));
    keys.erase(0);
    plan_.push_back({keys, Between(1, 40)});
    RunPlan();
    if (editor) EditorHands();
  }

  // The editor's pointer: over the cells and the panels, painting and erasing.
  void EditorHands() {
    if (Chance(0.1)) {
      if (Chance(0.7)) {
        Mouse(static_cast<float>(Between(playstate.viewx, playstate.viewx + 1040)),
              static_cast<float>(Between(playstate.viewy, playstate.viewy + 520)));
      } else {
        MouseSomewhere();
      }
    }
    if (Chance(0.08)) SetButton(1, !buttons_.count(1));
    if (Chance(0.03)) SetButton(2, !buttons_.count(2));
    if (Chance(0.01)) testbackend::TurnWheel(Between(-2, 2));
  }

  // -- busy waits inside a frame and the farewell screen
  void OnPoll(int64_t polls) {
    if (farewell_) {
      if (farewellPolls_ < 0) farewellPolls_ = polls + Between(1000, 200000);
      if (polls < farewellPolls_) return;
      farewellPolls_ = polls + 1000000;
      switch (Between(0, 3)) {
        case 0: testbackend::TapKey(Pick(std::vector<int>{'A', kSpace, kEnter, kEsc})); break;
        case 1: SetButton(Between(1, 2), true); break;
        case 2: Hold({kLAlt, kF4}); break;
        default: testbackend::RequestClose(); break;
      }
      return;
    }
    // The pause menu waits for Esc to come up, the name entry for Enter,
    // Esc and the button: after a while without a frame, let go of all.
    if (polls - pollsAtFrame_ < 20000) return;
    pollsAtFrame_ = polls;
    if (++stalls_ > 50) {
      Fail("the game waits inside a frame for input that never comes");
      throw StopSoak{};
    }
    ReleaseAll();
  }

  void OnFlip() {
    // The farewell screen draws and shows its picture without the pump.
    for (const auto& d : testgraphics::Draws()) {
      if (d.op == testgraphics::Op::Text && d.text == "Thanks for Playing" && !farewell_) {
        farewell_ = true;
        // What the farewell has just saved.
        historyAtFarewell = Highscores.Count();
      }
    }
    testgraphics::ClearDraws();
  }

  void InstallHooks() {
    PumpServices().musicStep = [this] {
      QRDM_Play();
      OnFrame();
    };
    testbackend::SetInputPollHook([this](int64_t polls) { OnPoll(polls); });
    if (!flipHooked_) {
      flipHooked_ = true;
      testbackend::AddFrameHook([this] {
        if (active_) OnFlip();
      });
    }
    active_ = true;
    pollsAtFrame_ = testbackend::InputPolls();
  }

 public:
  void Deactivate() { active_ = false; }

 private:
  void TidyScreenshots() {
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(g_root / "Files", ec)) {
      if (e.path().extension() == ".png") fs::remove(e.path(), ec);
    }
  }

  std::mt19937 rng_;
  int64_t target_;
  bool winding_ = false;
  int64_t windFrames_ = 0;
  bool active_ = false;
  bool flipHooked_ = false;
  bool farewell_ = false;
  int64_t farewellPolls_ = -1;
  int64_t pollsAtFrame_ = 0;
  int stalls_ = 0;
  std::set<int> keys_, buttons_;
  Screen screen_ = Screen::Count;
  int screenFrames_ = 0;
  bool overlayOpen_ = false;
  int overlayPlan_ = 0;
  bool rebinding_ = false;
  int noise_ = 0;
  std::deque<Step> plan_;
  int gameBudget_ = 0;
  bool quitWanted_ = false;
  bool startPending_ = false;
  bool leaveTitle_ = false;
  int targetPack_ = -1;
  int sampleAt_ = 0;
  std::string typed_;
  std::vector<Census> gameSamples_;
  std::map<std::string, std::pair<int, int>> startCounts_;
};

// ---- a session: the program from its start to its farewell ---------------------------

// Everything a fresh process would start with that a finished session left
// behind.
void BackToProgramStart() {
  MainRoutineOnce = 0;
  TitleLoop = TitleLoopState{};
  FirstRun = 0;
  HistoryLoaded = false;
  ChangingRes = 0;
  OptionScreen = 0;
  optin = -300;
  mh1 = mh2 = 0;
  InGame = 0;
  DebugMode = 0;
  SkipDraw = 0;
  MusicChannel = 0;
  GameMode = 0;
  MyName.clear();
  fscroll = 0;
  HoldMe = 0;
  editmode = 0;
  endoflevel = 0;
  endotick = 0;
  playstate = PlayState{};
  ClearList(Highscores);
  ClearList(comments);
  ClearList(scoreget);
  ClearList(driving);
  ClearList(levels);
  ClearList(rooms);
  ClearList(objects);
  pla.reset();
  obj.reset();
  Uselevel.reset();
  Prelevel.reset();
  Postlevel.reset();
  ThisRoom.reset();
  EmptyRoom.reset();
}

fs::path CopyGame() {
  const char* env = std::getenv("DUSKMOOR_GAME_DIR");
  if (env == nullptr || *env == '\0') return {};
  const fs::path source = env;
  // The editor rewrites the player's level after nearly every edit, each
  // time flushed to the disk: a folder in memory, where there is one, keeps
  // the run from waiting on the disk.
  std::error_code ec;
  const fs::path base = ::access("/dev/shm", W_OK) == 0 && fs::is_directory("/dev/shm", ec)
                            ? fs::path("/dev/shm")
                            : fs::temp_directory_path();
  const fs::path root = base / ("duskmoor-soak-" + std::to_string(::getpid()));
  fs::remove_all(root);
  fs::create_directories(root);
  fs::copy(source / "Files", root / "Files", fs::copy_options::recursive);
  fs::copy(source / "DuskmoorII_Levels", root / "DuskmoorII_Levels", fs::copy_options::recursive);
  for (const char* name : {"Setup.ini", "Debug.txt", "crash.dat"}) fs::remove(root / "Files" / name);
  fs::remove(root / "Files" / "256" / "scores.dat");
  fs::remove(root / "DuskmoorII_Levels" / "My Level.xml");
  return root;
}

int64_t FramesAsked() {
  if (const char* env = std::getenv("SOAK_FRAMES"); env != nullptr && *env != '\0') return std::atoll(env);
  return 200000;
}

uint32_t SeedAsked() {
  if (const char* env = std::getenv("SOAK_SEED"); env != nullptr && *env != '\0')
    return static_cast<uint32_t>(std::strtoul(env, nullptr, 10));
  return 20261210;
}

std::string Report(const Figures& f, double seconds) {
  std::ostringstream out;
  out << "soak: " << f.frames << " frames in " << seconds << " s, " << f.sessions << " sessions, " << f.games
      << " games (" << f.editorGames << " in the editor), " << f.levelsCompleted << " levels completed, "
      << f.gamesOver << " games over, " << f.quits << " quit from the pause menu, " << f.named << " names entered, "
      << f.screenshots << " screenshot presses\n";
  out << "soak: screens reached (times, frames):";
  for (int i = 0; i < static_cast<int>(Screen::Count); ++i)
    out << " " << kScreenNames.at(static_cast<size_t>(i)) << " " << f.entered[static_cast<size_t>(i)] << "/" << f.framesOn[static_cast<size_t>(i)] << ";";
  out << "\nsoak: peaks:";
  for (const auto& [name, value] : f.peak.Fields()) out << " " << name << " " << value << ";";
  out << "\n";
  return out.str();
}

TEST(Soak, TheWholeGameOnRandomInput) {
  g_root = CopyGame();
  ASSERT_FALSE(g_root.empty()) << "DUSKMOOR_GAME_DIR names no generated game";
  ASSERT_TRUE(fs::exists(g_root / "Files" / "256" / "map.png")) << "the game data is not generated";
  const fs::path here = fs::current_path();
  const auto began = std::chrono::steady_clock::now();

  Driver driver(SeedAsked(), FramesAsked());
  bool stopped = false;
  int openAtStart = -1;
  while (!stopped) {
    testbackend::Reset();
    BackToProgramStart();
    driver.StartSession();
    try {
      MainRoutine();
      driver.Fail("the main routine returned");
      stopped = true;
    } catch (const testbackend::AppExited& e) {
      if (e.status != 0) driver.Fail("the game ended with status " + std::to_string(e.status));
      driver.EndSession();
    } catch (const StopSoak&) {
      stopped = true;
    }
    driver.Deactivate();
    ResetPumpServices();
    CloseDebugLog();
    // Whatever the session opened, its end closed.
    const int open = OpenFiles();
    if (openAtStart < 0) openAtStart = open;
    else if (open > openAtStart)
      driver.Fail("open files grew from " + std::to_string(openAtStart) + " to " + std::to_string(open) +
                  " after session " + std::to_string(driver.figures.sessions));
    if (driver.Winding()) stopped = true;
    if (!driver.failures.empty()) stopped = true;
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  std::cout << Report(driver.figures, seconds);
  for (const auto& f : driver.failures) ADD_FAILURE() << f;

  // The run reached every screen, again and again.
  const Figures& f = driver.figures;
  if (f.frames >= 100000) {
    for (int i = 0; i < static_cast<int>(Screen::Count); ++i)
      EXPECT_GE(f.entered[static_cast<size_t>(i)], 3) << kScreenNames.at(static_cast<size_t>(i));
    EXPECT_GE(f.sessions, 3);
    EXPECT_GE(f.editorGames, 3);
  }

  // The player's files read back through the game's own readers.
  testbackend::Reset();
  BackToProgramStart();
  ResolvePaths(g_root.string());
  const std::string ini = Paths.data + "Setup.ini";
  ASSERT_TRUE(fs::exists(ini));
  Options.fill(0);
  KeyV.fill(0);
  ReadSetupFile(ini);
  EXPECT_GT(Options[5], 0);
  EXPECT_GT(Options[6], 0);
  EXPECT_EQ(SetupIniText(), testutil::ReadBytes(ini));

  const std::string scores = Paths.game + "scores.dat";
  ASSERT_TRUE(fs::exists(scores));
  LoadScores();
  // The score panel lets old games go; the file holds what the last
  // farewell had.
  EXPECT_EQ(Highscores.Count(), driver.historyAtFarewell);
  EXPECT_LE(Highscores.Count(), f.named);
  std::string again;
  for (const auto& rec : Highscores) again += ScoreRecordLine(*rec) + "\r\n" + ScoreBestLine(*rec) + "\r\n";
  EXPECT_EQ(again, testutil::ReadBytes(scores));

  Hunt4Levels();
  std::shared_ptr<game> mine;
  for (const auto& rec : levels)
    if (rec->name == kMyLevelFile) mine = rec;
  ASSERT_TRUE(mine) << "the player's level is not among the levels";
  EXPECT_EQ(mine->Title, kYourLevelTitle);
  GetLevel(kMyLevelFile);
  const int roomsRead = rooms.Count();
  EXPECT_GE(roomsRead, 1);
  // Written back from what was read, and read again, the level is the same.
  Uselevel = mine;
  ASSERT_TRUE(SaveLevel());
  const std::string written = testutil::ReadBytes(LevelFilePath(kMyLevelFile));
  GetLevel(kMyLevelFile);
  EXPECT_EQ(rooms.Count(), roomsRead);
  ASSERT_TRUE(SaveLevel());
  EXPECT_EQ(testutil::ReadBytes(LevelFilePath(kMyLevelFile)), written);
  std::cout << "soak: the player's level holds " << rooms.Count() - 1 << " rooms, scores.dat " << Highscores.Count()
            << " games\n";
  CloseDebugLog();

  fs::current_path(here);
  fs::remove_all(g_root);
}

}  // namespace
