// Backend-independent half of the drawing layer: image, pixmap and font stores,
// the drawing state, PNG input and output, and the shared geometry. The real and
// the test backend build their drawing on top of it.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace gfxcore {

// One image: all frames share one size; pixels are 0xAARRGGBB, frame after frame.
struct ImageRec {
  int width = 0;
  int height = 0;
  int frames = 0;
  int flags = 0;
  float handle_x = 0;
  float handle_y = 0;
  // The CPU copy of the frames. A backend with textures of its own may drop it
  // once uploaded (grabs then write the texture); `solid` then keeps what
  // collision tests read.
  std::vector<uint32_t> pixels;
  // Single-channel pictures (font atlases): white texels of this alpha, one byte
  // each, held instead of `pixels`.
  std::vector<uint8_t> coverage;
  // One bit per texel, frame after frame, set where alpha is 128 or more; filled
  // when `pixels` is dropped.
  std::vector<uint64_t> solid;
  // Kept for the real renderer: its texture and whether the pixels changed since upload.
  unsigned texture = 0;
  bool dirty = true;
  int tex_cols = 0, tex_w = 0, tex_h = 0;  // frames laid out in a grid of padded cells
  // Per frame, the box x0, y0, x1, y1 of its visible texels grown by one texel (as
  // of the last upload); blending that ignores clear texels draws only this box.
  std::vector<std::array<int16_t, 4>> visible;

  uint32_t* Frame(int f) { return pixels.data() + static_cast<size_t>(f) * width * height; }
  const uint32_t* Frame(int f) const {
    return pixels.data() + static_cast<size_t>(f) * width * height;
  }
  bool HasFrame(int f) const { return f >= 0 && f < frames && width > 0 && height > 0; }
  // Whether texel (x, y) of frame f, both in range, counts for collisions.
  bool SolidAt(int f, int x, int y) const {
    const size_t i = (static_cast<size_t>(f) * height + y) * width + x;
    if (!pixels.empty()) return (pixels[i] & 0x80000000u) != 0;
    if (!coverage.empty()) return coverage[i] >= 128;
    return i / 64 < solid.size() && ((solid[i / 64] >> (i % 64)) & 1u) != 0;
  }
  // Records the collision bits of `px`, frame f, before the CPU copy goes.
  void KeepSolid(int f, const uint32_t* px) {
    const size_t n = static_cast<size_t>(width) * height;
    solid.resize((n * frames + 63) / 64, 0u);
    for (size_t j = 0; j < n; ++j) {
      const size_t i = static_cast<size_t>(f) * n + j;
      const uint64_t bit = uint64_t{1} << (i % 64);
      if (px[j] & 0x80000000u) solid[i / 64] |= bit;
      else solid[i / 64] &= ~bit;
    }
  }
};

struct PixmapRec {
  int width = 0;
  int height = 0;
  std::vector<uint32_t> pixels;
};

struct Glyph {
  int atlas_x = 0, atlas_y = 0;  // in the font's atlas image
  int w = 0, h = 0;
  int left = 0, top = 0;         // offset of the bitmap from the pen at the line top
  int advance = 0;
};

struct FontRec {
  int height = 0;
  std::array<Glyph, 256> glyphs{};
  std::unique_ptr<ImageRec> atlas;  // white pixels, alpha = coverage
};

// The drawing state shared by every drawing call.
struct DrawState {
  int r = 255, g = 255, b = 255;
  float alpha = 1.0f;
  float sx = 1.0f, sy = 1.0f;
  float rotation = 0.0f;
  float cos_r = 1.0f, sin_r = 0.0f;
  int blend = 2;
  int font = 0;
  int cls_r = 0, cls_g = 0, cls_b = 0;
  float virtual_w = 640.0f, virtual_h = 480.0f;
};

DrawState& State();
// Back to the defaults of a freshly opened display of that size.
void ResetDrawState(float width, float height);

// Hooks a backend installs: called before state that its queued drawing depends
// on changes (the virtual resolution), and when an image's pixels go away.
extern void (*g_flush_hook)();
extern void (*g_release_hook)(ImageRec&);

// ---- images ----
ImageRec* Image(int handle);
int AddImage(std::unique_ptr<ImageRec> image);
int LiveImageCount();
// Flags as stored: the default request resolved, and the dynamic flag where it belongs.
int ResolveFlags(int flags);
// Cuts `pixels` (w x h) into frames; nullptr when it holds fewer than first + count cells.
std::unique_ptr<ImageRec> CutImage(const std::vector<uint32_t>& pixels, int w, int h,
                                   bool has_alpha, int cell_w, int cell_h, int first,
                                   int count, int flags);

// ---- pixmaps ----
PixmapRec* Pixmap(int handle);
int AddPixmap(PixmapRec pixmap);
int LivePixmapCount();

// ---- PNG ----
bool ReadPNG(const std::string& path, int& w, int& h, std::vector<uint32_t>& argb,
             bool& has_alpha);
bool WritePNG(const std::string& path, int w, int h, const std::vector<uint32_t>& argb,
              int level);

// ---- fonts ----
FontRec* Font(int handle);
// The current font, falling back to the built-in one for handle 0 or a stale handle.
FontRec& CurrentFont();
int LiveFontCount();
// Everything released and the state back to start (the test backend's reset).
void ClearImagesAndPixmaps();
void ClearAll();

// ---- geometry ----
// The four corners (top-left, top-right, bottom-right, bottom-left) of a w x h box
// whose point (hx, hy) is placed at (x, y) under the current scale and rotation.
inline void PlaceQuad(const DrawState& s, float x, float y, float hx, float hy, float w,
                      float h, float out_x[4], float out_y[4]) {
  const float lx[4] = {-hx, w - hx, w - hx, -hx};
  const float ly[4] = {-hy, -hy, h - hy, h - hy};
  for (int i = 0; i < 4; ++i) {
    const float px = lx[i] * s.sx;
    const float py = ly[i] * s.sy;
    out_x[i] = x + px * s.cos_r - py * s.sin_r;
    out_y[i] = y + px * s.sin_r + py * s.cos_r;
  }
}

}  // namespace gfxcore
