#include "framework/draw.h"

#include "framework/globals.h"
#include "framework/utils.h"
#include "platform/graphics.h"
#include "startup/globals.h"

namespace {

// A colour component as a whole number 0..255; one that is not a number gives 0.
int ColourByte(float v) {
  v = LimitF(v, 0.0f, 255.0f);
  return v >= 0.0f && v <= 255.0f ? static_cast<int>(v) : 0;
}

bool ValidCategory(int32_t cat) { return cat >= 0 && cat < static_cast<int32_t>(DrawCount.size()); }

// Counts one image against its category's budget; false when it is spent.
bool TakeBudget(int32_t cat) {
  if (!ValidCategory(cat)) return false;
  if (DrawCount[cat] >= DrawMax[cat]) return false;
  ++DrawCount[cat];
  return true;
}

}  // namespace

int32_t Text(int32_t x, int32_t y, const std::string& txt, int32_t ax, int32_t ay) {
  if (ax == 1) x -= TextWidth(txt) / 2;
  else if (ax == 2) x -= TextWidth(txt);
  if (ay == 1) y -= TextHeight(txt) / 2;
  else if (ay == 2) y -= TextHeight(txt);
  DrawText(txt, static_cast<float>(x), static_cast<float>(y));
  return 0;
}

int32_t SetSize(float sx, float sy) {
  if (sy == kNoScale) SetScale(sx, sx);
  else SetScale(sx, sy);
  return 0;
}

int32_t SetRot(float angle) {
  SetRotation(angle);
  return 0;
}

int32_t ResetDraw() {
  SetRotation(0.0f);
  SetScale(1.0f, 1.0f);
  SetColor(255, 255, 255);
  SetAlpha(1.0f);
  Blend(kBlendAlpha);
  return 0;
}

int32_t Blend(int32_t code) {
  PreBlend = code;
  switch (code) {
    case kBlendSolid: SetBlend(SOLIDBLEND); break;
    case kBlendAlpha: SetBlend(ALPHABLEND); break;
    case kBlendShade: SetBlend(SHADEBLEND); break;
    case kBlendLight: SetBlend(LIGHTBLEND); break;
    default: break;
  }
  return 0;
}

int32_t SetCol(float r, float g, float b, float a) {
  SetColor(ColourByte(r), ColourByte(g), ColourByte(b));
  if (a != kNoAlpha) SetAlpha(LimitF(a, 0.0f, 1.0f));
  return 0;
}

bool FrameDrawn() { return Options[7] == 0 || SkipDraw == 0; }

int32_t drawimg(int32_t img, int32_t x, int32_t y, int32_t frame, int32_t cat) {
  if (!FrameDrawn()) return 0;
  GetScale(fwf, fhf);
  if (!TakeBudget(cat)) return 0;
  float px = static_cast<float>(x + ImageWidth(img) * (fwf / 2));
  float py = static_cast<float>(y + ImageHeight(img) * (fhf / 2));
  DrawImage(img, px, py, frame);
  return 0;
}

int32_t GlowImg(int32_t img, int32_t x, int32_t y, int32_t frame, int32_t glowimg, float gscale, float galpha) {
  if (!FrameDrawn()) return 0;
  GetScale(fwf, fhf);
  faf = GetAlpha();
  fgf = static_cast<float>(GetBlend());
  // Both passes share the centre of the base image at the caller's scale.
  const float px = static_cast<float>(x + ImageWidth(img) * (fwf / 2));
  const float py = static_cast<float>(y + ImageHeight(img) * (fhf / 2));
  if (TakeBudget(kDrawMain)) DrawImage(img, px, py, frame);
  SetScale(fwf * gscale, fhf * gscale);
  SetAlpha(faf * galpha);
  Blend(kBlendLight);
  if (TakeBudget(kDrawGlow)) DrawImage(glowimg == 0 ? img : glowimg, px, py, frame);
  SetScale(fwf, fhf);
  SetAlpha(faf);
  SetBlend(static_cast<int>(fgf));
  return 0;
}

int32_t GlowImage(int32_t img, int32_t x, int32_t y, int32_t frame, int32_t glowimg, float gscale, float galpha) {
  return GlowImg(img, x, y, frame, glowimg, gscale, galpha);
}

int32_t CLS3d(int32_t c) {
  if (c == 1) Cls();
  for (fn = 1; fn <= 10; ++fn) DrawCount[fn] = 0;
  return 0;
}
