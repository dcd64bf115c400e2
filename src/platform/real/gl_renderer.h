// The batching OpenGL renderer behind the drawing layer. Every quad is
// transformed on the CPU and appended, with its colour and alpha, to one vertex
// array; the array is drawn in one call when the texture or blend mode changes,
// before a read of the screen, and at the end of the frame.
#pragma once

#include <cstdint>

namespace gfxcore {
struct ImageRec;
struct DrawState;
}  // namespace gfxcore

namespace glr {

// Called with the display's context current: sets up the fixed state once.
void Init();
bool Ready();
// Forgets the context's state without calling OpenGL (its context is going or
// gone); the next Init starts afresh.
void StartOver();
// The drawing area: the whole drawable, the virtual screen letterboxed into it.
void SetView(int drawable_w, int drawable_h, float virtual_w, float virtual_h);
// Sends everything queued to OpenGL.
void Flush();
// Flush, then has OpenGL start on all it was given, without waiting for it.
void Submit();
// Flush, then waits until OpenGL has done all it was given.
void Finish();
void Clear(int r, int g, int b);
// Frame `frame` of `img` with its handle at (x, y) under the drawing state `s`.
void ImageQuad(gfxcore::ImageRec& img, int frame, const gfxcore::DrawState& s, float x,
               float y);
// A sub-rectangle (in pixels) of frame 0 (glyphs in a font atlas).
void QuadPart(gfxcore::ImageRec& img, int sx, int sy, int sw, int sh, const float x[4],
              const float y[4], int blend, uint32_t rgba);
// An untextured quad in a flat colour.
void Solid(const float x[4], const float y[4], int blend, uint32_t rgba);
// Puts new pixels (width x height, 0xAARRGGBB) into one frame of an uploaded
// image that holds no CPU copy.
void ReplaceFrame(gfxcore::ImageRec& img, int frame, const uint32_t* px);
// Drops the image's texture.
void Release(gfxcore::ImageRec& img);
// Reads drawable pixels (origin top-left) into 0xAARRGGBB, opaque, rows top first.
void ReadPixels(int x, int y, int w, int h, uint32_t* out, int drawable_h);

// Per-vertex colour of the current drawing state (alpha clamped to 0..1).
uint32_t StateColour(const gfxcore::DrawState& s);

}  // namespace glr
