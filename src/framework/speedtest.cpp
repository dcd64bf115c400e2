#include "framework/speedtest.h"

#include <string>

#include "framework/backdrop.h"
#include "framework/draw.h"
#include "framework/globals.h"
#include "framework/pump.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "settings/debug_log.h"
#include "settings/common_assets.h"
#include "startup/globals.h"

namespace {

constexpr int32_t kFirstStep = 500;
constexpr int32_t kStepSize = 500;
constexpr int32_t kLastStep = 20000;
constexpr int32_t kFramesPerStep = 8;

// The loading picture: blue bands rising to the right and the two logos.
void DrawBackdrop() {
  ResetDraw();
  float shade = 0.0f;
  DrawStripedBackdrop(shade);
  ResetDraw();
  SetSize(1.5f);
  DrawImage(logo, static_cast<float>(0.3 * JScrw), static_cast<float>(0.3 * JScrh), 0);
  DrawImage(QuendryLogo, static_cast<float>(0.7 * JScrw), static_cast<float>(0.7 * JScrh), 0);
  SetSize(1.0f);
}

// Each sprite costs a full state change and a draw, all of it invisible.
void DrawTestSprites(int32_t count, int32_t scale) {
  for (int32_t n = 0; n <= count; ++n) {
    SetRot(static_cast<float>(Rand(360, 1)));
    SetCol(0, 0, 0, 0);
    SetSize(static_cast<float>(scale));
    const int32_t y = Rand(JScrh, 1);
    const int32_t x = Rand(JScrw, 1);
    DrawImage(CommonIcons, static_cast<float>(x), static_cast<float>(y), 0);
  }
}

}  // namespace

int32_t AimFor(int32_t target, int32_t scale) {
  DebugMode = 0;
  if (Options[7] == 1) target = 30;
  UseFPS = target;
  DrawMax[1] = 500;
  DrawMax[2] = 500;
  DrawMax[3] = 250;
  int32_t best = 0;
  Debug("Starting Engine Test");
  Debug("Aiming for " + std::to_string(target) + "," + std::to_string(scale));

  const int32_t threshold = target - 2;
  for (int32_t step = kFirstStep; step <= kLastStep; step += kStepSize) {
    for (int32_t frame = 1; frame <= kFramesPerStep; ++frame) {
      CLS3d(1);
      DrawBackdrop();
      DrawTestSprites(step, scale);
      fps(250, 0, 0);
    }
    // The first step only lets the frame-rate average settle.
    if (step > kFirstStep && FramesPerSec >= threshold) best = step;
    if (step > kFirstStep && FramesPerSec <= threshold) break;
  }

  Debug("Test Complete");
  DrawMax[1] = static_cast<int32_t>(best * 0.4f);
  DrawMax[2] = static_cast<int32_t>(best * 0.4f);
  DrawMax[3] = static_cast<int32_t>(best * 0.2f);
  Debug("");
  Debug("Engine Test Results");
  Debug("");
  Debug("\tMaximum Sprites Allowed for " + std::to_string(target) + " Frames Per Second");
  Debug("\tMain sprites : " + std::to_string(DrawMax[1]));
  Debug("\tGlowy Sprites : " + std::to_string(DrawMax[2]));
  Debug("\tParticles : " + std::to_string(DrawMax[3]));
  Debug("");
  if (DrawMax[1] < 1000) {
    DrawMax[1] = 1000;
    UseFPS = 30;
    Options[7] = 1;
  }
  if (DrawMax[2] < 500) DrawMax[2] = 500;
  if (DrawMax[3] < 250) DrawMax[3] = 250;
  if (UseFPS == 30) Debug("Settings Overwritten, Set to Default Lower Limits at 30fps.");
  Debug("");
  DebugMode = 0;
  return 0;
}
