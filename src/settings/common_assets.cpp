#include "settings/common_assets.h"

#include <string>

#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/handles.h"
#include "platform/audio.h"
#include "platform/files.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "scores/score_panel.h"
#include "settings/debug_log.h"
#include "startup/globals.h"

int32_t FirstRun = 0;
bool HistoryLoaded = false;
float fbf = 0.0f;
int32_t CommonIcons = 0;
int32_t CommonIconsF = 0;
int32_t logo = 0;
int32_t QuendryLogo = 0;
int32_t BadgeGet = 0;
int32_t BadgeIcons = 0;

namespace {

// Fixed-purpose fonts, slots 1 to 9: face, base size, and whether the second
// scale applies.
struct FixedFont {
  int32_t face;
  int32_t base;
  bool second_scale;
};
constexpr FixedFont kFixedFonts[10] = {
    {0, 0, false},  {1, 24, false}, {1, 16, true},  {1, 16, true},  {1, 20, false},
    {2, 96, false}, {2, 72, false}, {2, 32, false}, {1, 32, false}, {1, 14, false},
};
constexpr int32_t kStepSizes[9] = {8, 12, 18, 24, 32, 40, 52, 64, 96};


void DrawSplash() {
  CLS3d(1);
  ResetDraw();
  float shade = 50.0f;
  SetRot(-45.0f);
  const int32_t bound = JScrh;
  for (int32_t y = 0; y <= bound; y += 10) {
    shade += 0.5f;
    SetCol(0.0f, 0.0f, shade);
    DrawRect(-100.0f, static_cast<float>(y * 3), static_cast<float>(JScrw + 1800), 30.0f);
  }
  ResetDraw();
  SetSize(1.5f);
  const float h = static_cast<float>(JScrh);
  DrawImage(logo, 0.4f * h, 0.3f * h, 0);
  DrawImage(QuendryLogo, static_cast<float>(JScrw) - 0.4f * h, 0.7f * h, 0);
  SetSize(1.0f);
  if (BadgeGet != 0) {
    Channel[256] = CueSound(BadgeGet);
    if (Channel[256] != 0) {
      const double volume = static_cast<double>(int64_t{Options[12]} * Options[11]) / 100.0 / 100.0;
      SetChannelVolume(Channel[256], static_cast<float>(volume));
      ResumeChannel(Channel[256]);
    }
  }
  Flip(-1);
  FirstRun = 1;
}

}  // namespace

std::string FontFile(int32_t face) {
  if (face == 2) return SubFont + ".ttf";
  if (face == 3) return "DejaVuSansCondensed-Bold.ttf";
  return MainFont + ".ttf";
}

int32_t FontSize(int32_t base, float scale) {
  return static_cast<int32_t>(static_cast<float>(base) * scale);
}

int32_t FixedFontFace(int32_t slot) { return slot >= 1 && slot <= 9 ? kFixedFonts[slot].face : 1; }

int32_t FixedFontSize(int32_t slot) {
  if (slot < 1 || slot > 9) return 0;
  const FixedFont& f = kFixedFonts[slot];
  return FontSize(f.base, f.second_scale ? fbf : faf);
}

int32_t BankFontSize(int32_t step) { return step >= 0 && step <= 8 ? FontSize(kStepSizes[step], faf) : 0; }

void ChooseFontScales() {
  faf = 1.0f;
  fbf = 1.0f;
  if (MyScrw < 900) {
    faf = 1.2f;
    fbf = 1.4f;
  }
  if (MyScrw < 600) {
    faf = 1.5f;
    fbf = 2.0f;
  }
}

void LoadCommon() {
  const bool first_display = FirstRun == 0;
  AutoMidHandle(true);
  Debug("");
  Debug("Loading : Common Objects");
  Debug("");
  Debug("Switching to Default Folder");
  Debug("");
  const std::string& common = Paths.common;

  Debug("\tDefault Fonts");
  ChooseFontScales();
  for (int32_t slot = 1; slot <= 9; ++slot) {
    TakeFont(Font[slot], LoadImageFontLogged(common + FontFile(FixedFontFace(slot)), FixedFontSize(slot), SMOOTHFONT));
  }
  for (int32_t face = 1; face <= 3; ++face) {
    for (int32_t step = 0; step <= 8; ++step) {
      TakeFont(Fontb[(face - 1) * 10 + step],
               LoadImageFontLogged(common + FontFile(face), BankFontSize(step), SMOOTHFONT));
    }
  }

  Debug("\tDefault Icons");
  TakeImage(CommonIconsF, LoadAnimImageLogged(common + "icons.png", 16, 16, 0, 64, MASKEDIMAGE | FILTEREDIMAGE));
  TakeImage(CommonIcons, LoadAnimImageLogged(common + "icons.png", 16, 16, 0, 64, MASKEDIMAGE));
  Debug("\tLogos");
  TakeImage(logo, LoadImageLogged(common + "logo.png", MASKEDIMAGE | FILTEREDIMAGE));
  TakeImage(QuendryLogo, LoadImageLogged(common + "Quendry.png", MASKEDIMAGE | FILTEREDIMAGE));
  Debug("\tBadgeGet");
  TakeSound(BadgeGet, LoadSoundLogged(common + "badgeget.wav", 0));

  if (FirstRun == 0) DrawSplash();

  Debug("");
  Debug("Switching to Game Folder");
  const std::string& game = Paths.game;
  TakeImage(BadgeIcons, LoadAnimImageLogged(game + "badges.png", 64, 64, 0, 16, MASKEDIMAGE | FILTEREDIMAGE));
  Debug("");
  Debug("Loading Sound effects");
  for (int32_t n = 1; n <= 200; ++n) {
    const std::string path = game + Right("000" + Str(n), 3) + ".wav";
    if (FileType(path) == 1) {
      Debug("\tSFX(" + Str(n) + ")");
      TakeSound(sfx[n], LoadSoundLogged(path, 0));
    } else if (NameTaken(path)) {
      // Anything but a file under the name (a folder, a pipe, a device)
      // counts as missing, and is named.
      NoteLoad(0, path, "a sound");
    }
  }
  Debug("Sounds loaded");
  Debug("");
  // The history on disk is read once: later displays keep the games played
  // since start-up.
  if (first_display) {
    LoadScores();
    HistoryLoaded = true;
  }
}

void UseFont(int32_t face, int32_t step) {
  if (face < 1 || face > 3) face = 1;
  if (step < 0 || step > 8) step = 0;
  SetImageFont(Fontb[(face - 1) * 10 + step]);
}
