#include "settings/options.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <limits>

#include "framework/controls.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/keynames.h"
#include "framework/utils.h"
#include "platform/graphics.h"
#include "platform/input.h"
#include "platform/joystick.h"
#include "platform/runtime.h"
#include "settings/common_assets.h"
#include "settings/display.h"
#include "settings/settings_file.h"
#include "startup/globals.h"

int32_t OptionScreen = 0;
int32_t optin = -300;
int32_t mh1 = 0, mh2 = 0;
int32_t AvailablePlayers = 0;

namespace {

constexpr int32_t kHidden = -300;
constexpr int32_t kSlideStep = 32;
constexpr int kBackspace = 8, kLeft = 37, kUp = 38, kRight = 39, kDown = 40;

void StepMode(int32_t delta) {
  // With no listed mode there is nothing to step to.
  if (MostResses < 1) return;
  Options[4] += delta;
  if (Options[4] > MostResses) Options[4] = 1;
  if (Options[4] < 1) Options[4] = MostResses;
  Options[5] = ResolutionW[Options[4]];
  Options[6] = ResolutionH[Options[4]];
}

void ResolutionChooser() {
  int32_t hovered = OptionButton(2, 20, 70, 11, "Resolution");
  if (hovered == 0) hovered = Mousein(20, optin + 70, 200, 70);
  if (hovered == 0) return;
  if (KeyHit(kRight) || KeyHit(kUp) || mh1 != 0) StepMode(1);
  if (KeyHit(kLeft) || KeyHit(kDown) || mh2 != 0) StepMode(-1);
}

void QualityLabel() {
  const int32_t h = Options[6];
  if (h < 900) {
    SetCol(255, 180, 80, 1);
    Text(80, optin + 128, "Small (Bit blurry)");
  } else if (h <= 960) {
    SetCol(255, 255, 80, 1);
    Text(80, optin + 128, "Native (Crisp, Clear)");
  } else {
    SetCol(180, 255, 80, 1);
    Text(80, optin + 128, "Bigger! (High-Definition!)");
  }
}

void ApplyButton() {
  SetSize(1);
  SetCol(0, 120, 0, 0.5f);
  SetImageFont(Font[2]);
  const int32_t w = TextWidth("Apply") + 4;
  const int32_t h = TextHeight("Apply") + 4;
  if (Mousein(18, optin + 258, w, h)) {
    DrawRect(18, static_cast<float>(optin + 258), static_cast<float>(w), static_cast<float>(h));
    // A click during the speed test of a switch already under way is ignored.
    if (mh1 != 0 && ChangingRes == 0) {
      mh1 = 0;
      OptionScreen = 0;
      SaveIni();
      ChangeRes();
    }
  }
  SetCol(80, 255, 80, 1);
  Text(20, optin + 260, "Apply");
}

void BindingBlock(int32_t player, int32_t bx, int32_t by) {
  const int32_t s = (player - 1) * 20;
  SetCol(80, 255, 80);
  ControlButton(s + 0, bx + 50, by);
  ControlButton(s + 3, bx, by + 50);
  ControlButton(s + 5, bx + 100, by + 50);
  ControlButton(s + 8, bx + 50, by + 50);
  SetCol(255, 255, 80);
  ControlButton(s + 13, bx + 190, by);
  SetCol(80, 80, 255);
  ControlButton(s + 12, bx + 155, by + 30);
  SetCol(255, 80, 80);
  ControlButton(s + 11, bx + 225, by + 30);
  SetCol(80, 255, 80);
  ControlButton(s + 10, bx + 190, by + 60);
}

void BindingsColumn() {
  const int32_t players = AvailablePlayers;
  int32_t bx = 250, by = optin + 10;
  for (int32_t p = 1; p <= players; ++p) {
    BindingBlock(p, bx, by);
    by += 150;
    if (p % 2 == 0) {
      by = optin + 10;
      bx += 400;
    }
  }
}

void Volume(int32_t index, int32_t y, const char* caption) {
  Options[index] = OptionSlider(Options[index], JScrw - 280, optin + y, caption);
  if (Options[index] < 6) Options[index] = 0;
  if (Options[index] > 94) Options[index] = 100;
}

void AudioColumn() {
  OptionButton(14, JScrw - 280, 20, 24, "AUDIO");
  SetSize(1);
  SetCol(255, 180, 180, 1);
  Text(JScrw - 280, optin + 50, "Changes require a Restart");
  Volume(11, 70, "Master Volume");
  Volume(12, 120, "Sounds");
  Volume(13, 170, "Music");
}

void JoystickList() {
  const int32_t count = std::min<int32_t>(StickCount, 4);
  const int32_t x = JScrw - 280;
  for (int32_t n = 1; n <= count; ++n) {
    const int32_t y = optin + 230 + 15 * (n - 1);
    SetCol(80, 255, 80, 1);
    if (JoyDown(0, n - 1)) SetCol(255, 255, 80, 1);
    if (StickOn[n] == 0) SetAlpha(0.2f);
    if (Mousein(x, y, TextWidth(Stick[n]), 14) && mh1 != 0) {
      mh1 = 0;
      StickOn[n] = 1 - StickOn[n];
    }
    Text(x, y, Stick[n]);
  }
}

}  // namespace

int32_t Option() {
  mh1 = MouseHit(1);
  mh2 = MouseHit(2);
  if (OptionScreen == 1 && optin < 0) optin += kSlideStep;
  if (OptionScreen == 0 && optin > kHidden) optin -= kSlideStep;
  if (optin <= kHidden) return 0;

  SetImageFont(Font[2]);
  ResetDraw();
  Blend(kBlendShade);
  SetCol(40, 40, 40, 0.8f);
  DrawRect(0, 0, static_cast<float>(JScrw), static_cast<float>(optin + 300));
  Blend(kBlendAlpha);
  SetCol(80, 80, 80, 0.4f);
  DrawRect(0, 0, static_cast<float>(JScrw), static_cast<float>(optin + 298));
  SetCol(180, 255, 180, 1);
  DrawRect(0, static_cast<float>(optin + 298), static_cast<float>(JScrw), 2);

  // The panel draws in full whatever the screen beneath used of the budgets.
  DrawCount[1] = 0;
  DrawCount[2] = 0;

  SetCol(80, 255, 80, 1);
  Text(20, optin + 4, "Graphics");
  OptionButton(1, 20, 30, 13, "Windowed", "Fullscreen");
  ResolutionChooser();
  SetSize(1);
  Text(20, optin + 108, Str(Options[5]) + "x" + Str(Options[6]));
  QualityLabel();
  SetCol(80, 255, 80, 1);
  OptionButton(7, 20, 146, 18, "Draw all Frames|Decent System", "Frameskip|Slow System");
  ApplyButton();
  BindingsColumn();
  AudioColumn();
  JoystickList();
  return 0;
}

int32_t OptionButton(int32_t index, int32_t x, int32_t y, int32_t frame, const std::string& label1,
                     const std::string& label2, const std::string& label3, const std::string& label4,
                     const std::string& label5, const std::string& label6) {
  std::array<std::string, 6> labels = {label1, label2, label3, label4, label5, label6};
  if (labels[0] == "AUDIO") {
    for (size_t i = 0; i < 6 && i < AuxDrivers.size(); ++i) labels[i] = "Audio Driver|" + AuxDrivers[i];
  }
  const int32_t value = Options[index];
  int32_t count = 1;
  std::string shown = labels[0];
  for (int32_t k = 2; k <= 6; ++k) {
    if (labels[k - 1].empty()) continue;
    count = k;
    if (value == k - 1) shown = labels[k - 1];
  }

  SetSize(1);
  SetImageFont(Font[2]);
  const int32_t top = y + optin;
  std::string first = shown;
  if (Instr(shown, "|") == 0) {
    Text(x + 38, top + 16, shown, 0, 1);
  } else {
    first = SplitText(shown, "|", 1, 0);
    Text(x + 38, top + 8, first, 0, 1);
    Text(x + 38, top + 24, SplitText(shown, "|", 2, 0), 0, 1);
  }
  const int32_t w = TextWidth(first);

  SetSize(2);
  const int32_t icon = frame + value;
  if (!Mousein(x, top, 38 + w, 32)) {
    drawimg(CommonIcons, x, top, icon, kDrawMain);
    return 0;
  }
  GlowImage(CommonIcons, x, top, icon, CommonIconsF, 1.1f, 0.8f);
  if (mh1 != 0) Options[index] = static_cast<int32_t>((int64_t{value} + 1) % count);
  return 1;
}

int32_t OptionSlider(int32_t value, int32_t x, int32_t y, const std::string& label) {
  // A value read from the settings file may be anything; the knob then stands
  // off the track, as far as a screen position reaches.
  const int32_t kx = static_cast<int32_t>(
      std::clamp<int64_t>(int64_t{x} + value - 9, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max()));
  SetCol(80, 255, 80);
  SetSize(3.1f, 1.5f);
  drawimg(CommonIcons, x - 2, y, 21, kDrawMain);
  drawimg(CommonIcons, x + 48, y, 22, kDrawMain);
  SetCol(255, 80, 80);
  SetSize(1, 1.5f);
  drawimg(CommonIcons, kx, y, 23, kDrawMain);
  SetCol(80, 180, 255);
  if (Mousein(x - 2, y - 4, 100, 24) && MouseDown(1)) value = mx - (x - 2);
  SetSize(1);
  Text(x, y + 20, label + " : " + Str(value), 0, 0);
  return value;
}

int32_t ControlButton(int32_t slot, int32_t x, int32_t y) {
  const int32_t entry = KeyV[slot];
  float lit = 0.0f;
  if (Mousein(x, y, 48, 48) && optin >= 0) {
    lit = 1.0f;
    const int32_t c = GetKey();
    if (c > kBackspace) KeyV[slot] = c;
    if (c == kBackspace) KeyV[slot] = 0;
  }
  if (key(KeyV[slot])) lit = 1.0f;

  int32_t frame = -1;
  bool centred = true;
  std::string name = KeyName(KeyV[slot]);
  if (entry == 0) {
    frame = 3;
    name = "?!";
  } else if (entry >= 9 && entry <= 254) {
    frame = 3;
  } else if (entry >= 300) {
    const int32_t part = entry % 50;
    if (part <= 11) {
      frame = 9;
      centred = false;
    } else if (part >= 20 && part <= 29) {
      frame = 8;
      centred = false;
    } else if (part >= 30) {
      frame = 10;
    }
  }
  if (frame < 0) return 0;

  SetSize(3, 3);
  GlowImg(CommonIcons, x, y, frame, CommonIconsF, 1.1f, lit);
  SetSize(1);
  if (centred) Text(x + 24, y + 24, name, 1, 1);
  else Text(x, y, name, 1, 1);
  return 0;
}
