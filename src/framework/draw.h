// Drawing helpers every screen goes through: aligned text, short setters for
// the drawing state, budgeted and glowing image draws under frame skip, and
// the start-of-frame clear.
#pragma once

#include <cstdint>
#include <string>

// Marker for a left-out second scale of SetSize (the y scale follows x).
constexpr float kNoScale = -37171648.0f;
// Marker for a left-out alpha of SetCol (the alpha stays as it is).
constexpr float kNoAlpha = 37171648.0f;

// Draw categories: images counted against DrawMax per frame.
enum DrawCategory : int32_t { kDrawMain = 1, kDrawGlow = 2, kDrawParticles = 3 };

// The program's blend codes, mapped by Blend to the 2D layer's modes.
enum BlendCode : int32_t { kBlendSolid = 0, kBlendAlpha = 1, kBlendShade = 2, kBlendLight = 3 };

// ax: 0 left, 1 centre, 2 right; ay: 0 top, 1 middle, 2 bottom. The offsets
// use the unscaled text metrics.
int32_t Text(int32_t x, int32_t y, const std::string& txt, int32_t ax = 0, int32_t ay = 0);
int32_t SetSize(float sx, float sy = kNoScale);
int32_t SetRot(float angle);
// Rotation 0, scale 1, white, alpha 1, alpha blending.
int32_t ResetDraw();
int32_t Blend(int32_t code);
// Colour clamped to 0..255 and truncated; alpha clamped to 0..1 unless left out.
int32_t SetCol(float r, float g, float b, float a = kNoAlpha);

// True when budgeted images may be drawn in this frame (frame-skip rule).
bool FrameDrawn();
// One frame of an image with its top-left corner at (x, y), if frame skip
// and the category's budget allow.
int32_t drawimg(int32_t img, int32_t x, int32_t y, int32_t frame, int32_t cat);
// The image in category 1, then its glow (glowimg, or img itself when 0) in
// category 2, larger by gscale, at galpha times the alpha, added to the screen.
int32_t GlowImg(int32_t img, int32_t x, int32_t y, int32_t frame, int32_t glowimg, float gscale, float galpha);
int32_t GlowImage(int32_t img, int32_t x, int32_t y, int32_t frame, int32_t glowimg, float gscale, float galpha);
// c = 1 clears the screen; the draw counts of categories 1 to 10 start again.
int32_t CLS3d(int32_t c);
