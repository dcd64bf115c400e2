#include "framework/backdrop.h"

#include <cstdint>

#include "framework/draw.h"
#include "platform/graphics.h"
#include "startup/globals.h"

void DrawStripedBackdrop(float& blue, StripeTint tint) {
  blue = 50.0f;
  SetRot(-45.0f);
  for (int32_t fx = 0; fx <= JScrh; fx += 10) {
    blue += 0.5f;
    const float red = tint == StripeTint::kRedToBlue ? 100.0f - blue : 0.0f;
    SetCol(red, 0.0f, blue);
    DrawRect(-100.0f, static_cast<float>(3 * fx), static_cast<float>(JScrw + 1800), 30.0f);
  }
}
