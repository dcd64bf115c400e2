#include "game/caption.h"

#include <string>

#include "framework/draw.h"
#include "framework/utils.h"
#include "game/game_state.h"
#include "level/rooms.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/runtime.h"
#include "settings/common_assets.h"
#include "startup/globals.h"

const char* const kCaptionNotice = "Esc Pause  |  Tab Settings  |  F11 Screenshot";
int32_t a = 0;
int32_t m = 0;

namespace {

constexpr int32_t kBackspace = 8, kEnter = 13, kDelete = 46;
constexpr int32_t kSmallScreen = 900;

// Typing ends the same way whatever ends it: the title is kept (a title
// of blanks alone would not survive the level file, so it becomes empty)
// and the level is marked for the autosave.
void EndTyping() {
  playstate.titleedit = 0;
  playstate.unsaved = 1;
  if (ThisRoom->title.find_first_not_of(' ') == std::string::npos) ThisRoom->title.clear();
}

void StartTyping() {
  // In the editor a title typed where no room stands yet makes the room, as
  // every other editor control does; the shared empty room is never titled.
  if (editmode == 1) AddaRoom();
  if (playstate.titleedit == 0) pla->gx = 0;
  playstate.titleedit = 1;
  FlushKeys();
}

// The level file cannot carry "<" back, nor anything past one byte.
bool Typeable(int32_t code) { return code > 31 && code <= 255 && code != '<'; }

void TakeCharacter() {
  a = GetChar();
  if (Typeable(a)) ThisRoom->title.push_back(static_cast<char>(static_cast<unsigned char>(a)));
}

void EraseOrReturn() {
  m = KeyHit(kDelete);
  if (m == 0) m = KeyHit(kBackspace);
  std::string& title = ThisRoom->title;
  if (m != 0 && title.size() > 1) {
    title.pop_back();
    m = 0;
  }
  if (m != 0 && title.size() == 1) {
    m = 0;
    title.clear();
  }
  if (KeyHit(kEnter) != 0) EndTyping();
}

void TitleBox() {
  const std::string shown = ThisRoom->title.empty() ? std::string(" ") : Lower(ThisRoom->title);
  UseFont(1, 3);
  h = MyScrw < kSmallScreen ? 36 : 30;
  const int32_t w = TextWidth(shown);
  const int32_t left = playstate.basex;
  const int32_t top = playstate.basey;
  SetCol(0, 0, 0, 1.0f);
  DrawRect(static_cast<float>(left + 20), static_cast<float>(top + 24), static_cast<float>(w + 12),
           static_cast<float>(h));
  SetCol(0, 0, 0, 0.35f);
  DrawRect(static_cast<float>(left + 26), static_cast<float>(top + 30), static_cast<float>(w + 12),
           static_cast<float>(h));
  SetCol(255, 255, 255, 1.0f);
  const bool inside = Mousein(left + 22, top + 26, w + 8, h - 4) != 0;
  if (inside) {
    SetCol(0, 255, 255, 1.0f);
    if (MouseDown(1)) StartTyping();
  }
  if (playstate.titleedit == 1) {
    SetCol(255, 255, 0, 1.0f);
    TakeCharacter();
    EraseOrReturn();
  }
  if (!inside && MouseDown(1) && playstate.titleedit == 1) EndTyping();
  DrawRect(static_cast<float>(left + 22), static_cast<float>(top + 26), static_cast<float>(w + 8),
           static_cast<float>(h - 4));
  SetCol(0, 0, 0, 1.0f);
  Text(left + 26, top + 28, shown, 0, 0);
}

}  // namespace

void Caption() {
  ResetDraw();
  UseFont(1, MyScrw < kSmallScreen ? 2 : 1);
  SetCol(0, 0, 0);
  Text(JScrw / 2 + 1, 3, kCaptionNotice, 1, 0);
  SetCol(255, 255, 255);
  Text(JScrw / 2, 2, kCaptionNotice, 1, 0);
  if (ThisRoom->title.empty() && playstate.overview != 1) {
    // Typing never goes on with its box hidden: it would keep the player's
    // controls shut for the rest of the game.
    if (playstate.titleedit == 1) EndTyping();
    return;
  }
  TitleBox();
}
