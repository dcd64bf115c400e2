#include "scores/name_entry.h"

#include <cstdint>
#include <string>

#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/runtime.h"
#include "scores/score_records.h"
#include "startup/globals.h"

namespace {

constexpr int kBackspace = 8, kEnter = 13, kEsc = 27;

bool ConfirmHeld() { return KeyDown(kEsc) != 0 || MouseDown(1) != 0 || KeyDown(kEnter) != 0; }

// The screen keeps its last picture meanwhile.
void WaitForRelease() {
  while (ConfirmHeld()) WaitStep();
}

// Once the name is given the game is complete: a request to end that comes
// while the confirming key is still down ends the wait, and is answered once
// the caller has recorded the game.
void WaitForReleaseOrStop() {
  while (ConfirmHeld() && WaitStepOrStop()) {
  }
}

bool TakesChar(int code) { return code >= 32 && code <= 255 && code != '|'; }

// Diagonal stripes from dark purple at the top left to dark blue at the
// bottom right.
void DrawBackdrop() {
  SetRot(-45.0f);
  for (int32_t k = 0; 10 * k <= JScrh; ++k) {
    const float blue = 50.0f + 0.5f * static_cast<float>(k + 1);
    SetCol(100.0f - blue, 0.0f, blue);
    DrawRect(-100.0f, static_cast<float>(30 * k), static_cast<float>(JScrw + 1800), 30.0f);
  }
}

}  // namespace

void GetPlayerName() {
  FlushKeys();
  WaitForRelease();
  bool confirmed = false;
  while (!confirmed) {
    Cls();
    DrawBackdrop();
    ResetDraw();
    const int code = GetChar();
    if (TakesChar(code)) MyName += static_cast<char>(static_cast<unsigned char>(code));
    if (KeyHit(kBackspace) > 0 && !MyName.empty()) MyName.pop_back();
    SetCol(0.0f, 255.0f, 0.0f);
    SetImageFont(Font[6]);
    Text(JScrw / 2, JScrh / 2 - 100, "Enter Your Name", 1, 1);
    SetImageFont(Font[5]);
    const std::string cursor = MMillisecs() % 600 < 300 ? "_" : " ";
    Text(JScrw / 2 - TextWidth(MyName) / 2, JScrh / 2, MyName + cursor, 0, 1);
    confirmed = KeyHit(kEnter) > 0 || MouseDown(1) != 0 || KeyDown(kEsc) != 0;
    fps(UseFPS, 0, 1);
  }
  SeedRnd(MilliSecs());
  WaitForReleaseOrStop();
}
