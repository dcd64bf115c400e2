#include "title/title.h"

#include "framework/backdrop.h"
#include "framework/controls.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/keynames.h"
#include "framework/pump.h"
#include "framework/sound.h"
#include "framework/utils.h"
#include "game/play_game.h"
#include "level/level_browser.h"
#include "level/play_globals.h"
#include "platform/audio.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/runtime.h"
#include "scores/score_panel.h"
#include "settings/common_assets.h"
#include "settings/farewell.h"
#include "settings/options.h"
#include "startup/globals.h"
#include "startup/object_kinds.h"

std::shared_ptr<game> Postlevel;
std::shared_ptr<game> Prelevel;
int32_t tune = 0;
int32_t gamelogo = 0;
int32_t gamelogob = 0;
TitleLoopState TitleLoop;

const std::string kTitleNotice = "Up and Down choose a level pack  -  Esc leaves the game";

namespace {

constexpr int kEsc = 27;
// Fire, jump, the third and fourth buttons, then up, down, left and right.
constexpr int32_t kStartActions[8] = {10, 11, 12, 13, 0, 8, 3, 5};
constexpr int kUpAction = 0, kDownAction = 8, kLeftAction = 3, kRightAction = 5;

int32_t Slide() { return 800 - 25 * TitleLoop.TitleSlide; }

bool Held(int32_t action) { return PlayKey(action, 1) != 0 || PlayKey(action, 2) != 0; }

void CreditsBox() {
  const int32_t box = MyScrw >= 900 ? 320 : 416;
  const int32_t step = MyScrw >= 900 ? 10 : 13;
  const int32_t off = box - step * TitleLoop.TitleSlide;
  SetCol(0, 0, 0, 0.6f);
  DrawRect(static_cast<float>(10 - off), static_cast<float>(JScrh - 430), static_cast<float>(box), 422.0f);
  SetCol(255, 255, 255, 1.0f);
  SetImageFont(Font[3]);
  const int32_t last = credits < static_cast<int32_t>(Credit.size()) ? credits : static_cast<int32_t>(Credit.size()) - 1;
  for (int32_t line = 1; line <= last; ++line) {
    Text(box / 2 + 5 - off, JScrh - 428 + 20 * (line - 1), Credit[line], 1, 0);
  }
}

void SettingsHint() {
  if (Options[5] == 800 && MMillisecs() % 800 < 400) SetCol(255, 255, 0, 1.0f);
  Text(4, 4, "Hit [Tab] for settings", 0, 0);
}

void StartPrompt() {
  SetCol(255, 255, 255, 1.0f);
  SetImageFont(Font[7]);
  Text(JScrw / 2, JScrh / 2 + Slide(), "Press Start (" + KeyName(KeyV[10]) + ") To Begin", 1, 1);
}

void StartGame() {
  if (MusicChannel != 0 && ChannelPlaying(MusicChannel)) {
    StopChannel(MusicChannel);
    MusicChannel = 0;
  }
  InGame = 1;
  MoveVirtualMouse(static_cast<float>(JScrw), static_cast<float>(JScrh));
  PlayGame();
  InGame = 0;
  TitleLoop.EscLatch = 1;
  TitleLoop.InputLatch = 1;
  TitleLoop.TitleSlide = 0;
  fscroll = 0;
  HoldMe = 0;
}

void ScanStartControls() {
  TitleLoop.StartHeld = 0;
  for (int32_t player = 1; player <= 4 && TitleLoop.StartHeld == 0; ++player) {
    for (int32_t action : kStartActions) {
      if (PlayKey(action, player) != 0) {
        TitleLoop.StartHeld = 1;
        break;
      }
    }
  }
  if (TitleLoop.StartHeld == 0) TitleLoop.InputLatch = 0;
}

void PackTitles() {
  if (levels.Count() == 0 || !Uselevel || !Postlevel || !Prelevel) return;
  SetImageFont(Font[8]);
  const int32_t x = JScrw / 2 - 150;
  const int32_t h2 = JScrh / 2;
  const int32_t d = Slide();
  SetCol(255, 255, 255, 0.5f);
  Text(x, h2 + 180 - d, Postlevel->Title, 0, 0);
  SetCol(255, 255, 255, 1.0f);
  Text(x, h2 + 250 - d, Uselevel->Title, 0, 0);
  Text(x, h2 + 280 - d, Uselevel->author, 0, 0);
  SetCol(255, 255, 255, 0.5f);
  Text(x, h2 + 320 - d, Prelevel->Title, 0, 0);
}

void PackChooser() {
  const int32_t count = levels.Count();
  // Without packs there is nothing to choose.
  if (count == 0) return;
  if (TitleLoop.InputLatch == 0 && Held(kUpAction)) {
    TitleLoop.InputLatch = 1;
    --GameMode;
    if (GameMode == -1) GameMode = count - 1;
  }
  if (TitleLoop.InputLatch == 0 && Held(kDownAction)) {
    TitleLoop.InputLatch = 1;
    ++GameMode;
    if (GameMode > count - 1) GameMode = 0;
  }
  if (Held(kLeftAction) || Held(kRightAction)) TitleLoop.InputLatch = 1;
}

void Logos() {
  SetCol(255, 255, 255, 1.0f);
  const int32_t w2 = JScrw / 2;
  const int32_t y = JScrh / 2 - 200 - Slide();
  TitleLoop.LogoFade += 5;
  if (Mousein(w2 - 320, y - 60, 640, 120)) TitleLoop.LogoFade -= 10;
  TitleLoop.LogoFade = Limit(TitleLoop.LogoFade, 0, 60);
  SetAlpha(static_cast<float>(TitleLoop.LogoFade) / 60.0f);
  DrawImage(gamelogo, static_cast<float>(w2 - 2), static_cast<float>(y + 4), 0);
  SetAlpha(static_cast<float>(60 - TitleLoop.LogoFade) / 60.0f);
  DrawImage(gamelogob, static_cast<float>(w2), static_cast<float>(y), 0);
}

void NoticeLine() {
  SetCol(255, 255, 255, 1.0f);
  UseFont(1, MyScrw < 900 ? 2 : 1);
  const int32_t w2 = JScrw / 2;
  SetCol(0, 0, 0, 1.0f);
  Text(w2 + 1, 3, kTitleNotice, 1, 0);
  SetCol(255, 255, 255, 1.0f);
  Text(w2, 2, kTitleNotice, 1, 0);
}

void KeepMusicPlaying() {
  if (MusicChannel != 0 && !ChannelPlaying(MusicChannel)) MusicChannel = 0;
  if (MusicChannel == 0) PlayMusic(tune);
}

}  // namespace

void TitleHold(int32_t deadline) { WaitUntil(deadline); }

void Neighbours() {
  const int32_t count = levels.Count();
  if (count == 0) return;
  int32_t i = 0;
  for (const auto& rec : levels) {
    if ((i + count - 1) % count == GameMode) Prelevel = rec;
    if (i == GameMode) Uselevel = rec;
    if ((i + 1) % count == GameMode) Postlevel = rec;
    ++i;
  }
}

void TitleSetUp() {
  TitleLoop.TitleSlide = 0;
  PlayMusic(tune);
  Neighbours();
}

void TitleFrame() {
  CLS3d(1);
  ResetDraw();
  DrawStripedBackdrop(fbf);
  ResetDraw();
  if (TitleLoop.TitleSlide < 32) ++TitleLoop.TitleSlide;
  CreditsBox();
  SettingsHint();
  Graph(10 * TitleLoop.TitleSlide, GameMode, GameLevel, GameFlags);
  StartPrompt();
  // With no level pack a start request is ignored.
  if (TitleLoop.StartHeld == 1 && TitleLoop.InputLatch == 0 && optin < -250 && levels.Count() > 0) StartGame();
  ScanStartControls();

  PackTitles();
  PackChooser();
  Neighbours();
  Logos();
  NoticeLine();
  KeepMusicPlaying();
  fps(UseFPS, 1, 1);

  if (!KeyDown(kEsc)) TitleLoop.EscLatch = 0;
  if (TitleLoop.EscLatch == 0 && KeyDown(kEsc)) TitleLoop.QuitTitle = 1;
}

void TitleScreen(int32_t deadline) {
  TitleHold(deadline);
  TitleSetUp();
  do {
    TitleFrame();
  } while (TitleLoop.QuitTitle != 1);
  Finish();
}
