#include "framework/pause.h"

#include <cmath>
#include <numbers>

#include "framework/controls.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/runtime.h"
#include "startup/globals.h"

namespace {

constexpr int32_t kEsc = 27, kSpace = 32, kUp = 38, kDown = 40;
// The scatter of titles is regenerated from this seed in every frame, so the
// copies keep their places and colours.
constexpr int32_t kScatterSeed = 37171650;
constexpr int32_t kCopiesUnder = 140;
constexpr int32_t kCopiesTotal = 180;

double SinDeg(double degrees) { return std::sin(degrees * std::numbers::pi / 180.0); }

// An action counts as down when any of the four players has it active.
bool AnyPlayer(int32_t action) {
  for (int32_t player = 1; player <= 4; ++player) {
    if (PlayKey(action, player)) return true;
  }
  return false;
}

bool UpDown() { return AnyPlayer(0) || KeyDown(kUp); }
bool DownDown() { return AnyPlayer(8) || KeyDown(kDown); }
bool ChooseDown() { return AnyPlayer(10) || AnyPlayer(11) || KeyDown(kSpace); }

void WaitForEscapeUp() {
  while (KeyDown(kEsc)) WaitStep();
}

void DrawTitleCopies(int32_t from, int32_t to, float spin) {
  for (int32_t n = from; n <= to; ++n) {
    SetRot(spin + 2.0f * static_cast<float>(n));
    const int32_t blue = Rand(1, 5) * 50;
    const int32_t green = Rand(1, 5) * 50;
    const int32_t red = Rand(1, 5) * 50;
    SetCol(static_cast<float>(red), static_cast<float>(green), static_cast<float>(blue), 0.4f);
    const int32_t y = Rand(0, JScrh);
    const int32_t x = Rand(0, JScrw);
    Text(x, y, GameName, 1, 1);
  }
}

}  // namespace

bool QuitChosenInPause = false;

int32_t PauseMe() {
  WaitForEscapeUp();
  const int32_t backdrop = CreateImage(MyScrw, MyScrh, 1, DYNAMICIMAGE);
  GrabImage(backdrop, 0, 0, 0);

  float spin = 0.0f;
  float phase = 0.0f;
  const float boxLeft = 0.1f;
  const float boxTop = 0.375f;
  int32_t selection = 0;
  bool latch = true;
  int32_t result = 0;

  while (result == 0) {
    CLS3d(1);
    ResetDraw();
    Blend(kBlendAlpha);

    phase += 0.4f;
    const float sx = static_cast<float>(1.5 + 0.5 * SinDeg(phase));
    const float sy = static_cast<float>(1.5 + 0.5 * SinDeg(phase * 1.3));
    SetSize(sx, sy);
    spin += 0.1f;
    SetRot(spin);
    SetImageFont(Font[7]);

    DrawImage(backdrop, static_cast<float>(JScrw / 2), static_cast<float>(JScrh / 2), 0);

    SeedRnd(kScatterSeed);
    DrawTitleCopies(1, kCopiesUnder, spin);

    SetRot(0.0f);
    SetSize(1.0f);
    SetCol(0, 0, 0, 0.5f);
    DrawRect(static_cast<float>(JScrw * boxLeft), static_cast<float>(JScrh * boxTop), static_cast<float>(JScrw / 6),
             static_cast<float>(JScrh / 4));

    if (UpDown() && !latch) {
      --selection;
      latch = true;
    }
    if (DownDown() && !latch) {
      ++selection;
      latch = true;
    }
    if (!ChooseDown() && !DownDown() && !UpDown()) latch = false;

    const int32_t top = static_cast<int32_t>(JScrh * 0.375);
    SetImageFont(Font[7]);
    if (selection < 0) selection = 1;
    struct Item {
      const char* text;
      int32_t y;
      int32_t answer;
    };
    const Item items[2] = {{"Continue", top + 60, kPauseContinue}, {"Quit", top + 120, kPauseQuit}};
    for (int32_t index = 0; index < 2; ++index) {
      SetCol(255, 255, 255, 1);
      int32_t offset = 0;
      if (selection == index) {
        SetCol(255, 255, 0, 1);
        offset = 20;
        if (ChooseDown() && !latch) {
          latch = true;
          result = items[index].answer;
          if (result == kPauseQuit) QuitChosenInPause = true;
        }
      }
      Text(static_cast<int32_t>(JScrw * 0.1 + offset + 10), items[index].y, items[index].text, 0, 0);
    }
    if (selection > 1) selection = 0;

    SetSize(sx, sy);
    DrawTitleCopies(kCopiesUnder + 1, kCopiesTotal, spin);

    fps(UseFPS, 1, 1);

    if (KeyDown(kEsc) && selection != 1) result = kPauseContinue;
    if (KeyDown(kEsc) && selection == 1) {
      result = kPauseQuit;
      QuitChosenInPause = true;
    }
  }

  SeedRnd(MilliSecs());
  WaitForEscapeUp();
  FreeImage(backdrop);
  return result;
}
