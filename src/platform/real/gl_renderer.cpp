#include "platform/real/gl_renderer.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "platform/core/gfx_core.h"
#include "platform/graphics.h"

namespace glr {
namespace {

struct Vertex {
  float x, y, u, v;
  uint32_t rgba;
};

constexpr int kMaxQuads = 16384;  // 65536 vertices: the reach of 16-bit indices

struct Renderer {
  bool ready = false;
  std::vector<Vertex> verts;
  std::vector<uint16_t> indices;
  GLuint white = 0;
  GLuint bound = 0;        // texture of the queued quads
  int applied_blend = -1;  // blend state OpenGL holds
  int queued_blend = -1;   // blend mode of the queued quads
  int view_w = 0, view_h = 0;
};

Renderer& R() {
  static Renderer r;
  return r;
}

void ApplyBlend(int blend) {
  if (R().applied_blend == blend) return;
  R().applied_blend = blend;
  switch (blend) {
    case MASKBLEND:
      glDisable(GL_BLEND);
      glEnable(GL_ALPHA_TEST);
      glAlphaFunc(GL_GEQUAL, 0.5f);
      break;
    case SOLIDBLEND:
      glDisable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      break;
    case LIGHTBLEND:
      glEnable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE);
      break;
    case SHADEBLEND:
      glEnable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      glBlendFunc(GL_DST_COLOR, GL_ZERO);
      break;
    default:
      glEnable(GL_BLEND);
      glDisable(GL_ALPHA_TEST);
      glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
      break;
  }
}

// Alpha of a texel of either kind.
inline uint32_t AlphaOf(uint32_t argb) { return argb >> 24; }
inline uint32_t AlphaOf(uint8_t coverage) { return coverage; }

// Copies the frames into a grid of padded cells, each with a one-pixel border
// copied from its edge so filtered drawing never bleeds between frames, and
// notes each frame's box of visible texels.
template <typename Texel>
std::vector<Texel> LayOut(gfxcore::ImageRec& img, const Texel* frames) {
  const int cw = img.width + 2;
  const int ch = img.height + 2;
  std::vector<Texel> buf(static_cast<size_t>(img.tex_w) * img.tex_h, Texel{0});
  img.visible.resize(static_cast<size_t>(img.frames));
  for (int f = 0; f < img.frames; ++f) {
    const Texel* src = frames + static_cast<size_t>(f) * img.width * img.height;
    int x0 = img.width, y0 = img.height, x1 = 0, y1 = 0;
    for (int y = 0; y < img.height; ++y)
      for (int x = 0; x < img.width; ++x)
        if (AlphaOf(src[y * img.width + x])) {
          x0 = std::min(x0, x);
          y0 = std::min(y0, y);
          x1 = std::max(x1, x + 1);
          y1 = std::max(y1, y + 1);
        }
    // The margin keeps every pixel that could sample a visible texel, whatever
    // the filter and whichever way the rasteriser breaks ties on the box's edges.
    if (x0 < x1)
      img.visible[f] = {static_cast<int16_t>(std::max(x0 - 1, 0)),
                        static_cast<int16_t>(std::max(y0 - 1, 0)),
                        static_cast<int16_t>(std::min(x1 + 1, img.width)),
                        static_cast<int16_t>(std::min(y1 + 1, img.height))};
    else
      img.visible[f] = {0, 0, 0, 0};
    const int ox = (f % img.tex_cols) * cw;
    const int oy = (f / img.tex_cols) * ch;
    for (int y = 0; y < ch; ++y) {
      const int sy = std::clamp(y - 1, 0, img.height - 1);
      Texel* dst = buf.data() + static_cast<size_t>(oy + y) * img.tex_w + ox;
      for (int x = 0; x < cw; ++x) dst[x] = src[sy * img.width + std::clamp(x - 1, 0, img.width - 1)];
    }
  }
  return buf;
}

// Makes the image's texture from its CPU copy, which then goes: pictures keep
// only the bits that collision tests read (a grab writes the texture itself),
// font atlases nothing at all.
void Upload(gfxcore::ImageRec& img) {
  const bool single = !img.coverage.empty();
  if (!single && img.pixels.empty()) return;  // already uploaded; nothing to redo
  if (img.tex_cols == 0) {
    const int cw = img.width + 2;
    const int ch = img.height + 2;
    int cols = static_cast<int>(
        std::ceil(std::sqrt(static_cast<double>(img.frames) * ch / static_cast<double>(cw))));
    cols = std::clamp(cols, 1, img.frames);
    img.tex_cols = cols;
    img.tex_w = cols * cw;
    img.tex_h = ((img.frames + cols - 1) / cols) * ch;
  }
  if (img.texture == 0) {
    GLuint t = 0;
    glGenTextures(1, &t);
    img.texture = t;
  }
  glBindTexture(GL_TEXTURE_2D, img.texture);
  const bool filtered = (img.flags & FILTEREDIMAGE) != 0;
  const bool mipmapped = filtered && (img.flags & MIPMAPPEDIMAGE) != 0;
  const GLint filter = filtered ? GL_LINEAR : GL_NEAREST;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                  mipmapped ? GL_LINEAR_MIPMAP_LINEAR : filter);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filter);
  glTexParameteri(GL_TEXTURE_2D, GL_GENERATE_MIPMAP, mipmapped ? GL_TRUE : GL_FALSE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  if (single) {
    // White texels of the given alpha: under modulation the drawing colour
    // shows through unchanged, as with a white RGBA picture.
    const std::vector<uint8_t> buf = LayOut(img, img.coverage.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_ALPHA8, img.tex_w, img.tex_h, 0, GL_ALPHA,
                 GL_UNSIGNED_BYTE, buf.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    std::vector<uint8_t>().swap(img.coverage);
  } else {
    const std::vector<uint32_t> buf = LayOut(img, img.pixels.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, img.tex_w, img.tex_h, 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, buf.data());
    for (int f = 0; f < img.frames; ++f) img.KeepSolid(f, img.Frame(f));
    std::vector<uint32_t>().swap(img.pixels);
  }
  img.dirty = false;
}

// Makes the queue hold quads of `texture` in `blend`, flushing what differs.
inline void Prepare(GLuint texture, int blend) {
  Renderer& r = R();
  if (r.bound != texture || r.queued_blend != blend ||
      r.verts.size() >= static_cast<size_t>(kMaxQuads) * 4) {
    Flush();
    r.bound = texture;
    r.queued_blend = blend;
  }
}

inline void Push(const float x[4], const float y[4], float u0, float v0, float u1, float v1,
                 uint32_t rgba) {
  auto& v = R().verts;
  const size_t n = v.size();
  v.resize(n + 4);
  Vertex* q = v.data() + n;
  q[0] = {x[0], y[0], u0, v0, rgba};
  q[1] = {x[1], y[1], u1, v0, rgba};
  q[2] = {x[2], y[2], u1, v1, rgba};
  q[3] = {x[3], y[3], u0, v1, rgba};
}

bool EnsureTexture(gfxcore::ImageRec& img) {
  if (img.texture == 0 || img.dirty) {
    Flush();  // the upload rebinds textures under the queued quads
    Upload(img);
  }
  return img.texture != 0;
}

}  // namespace

void Init() {
  Renderer& r = R();
  if (r.ready) return;
  r.ready = true;
  r.verts.reserve(static_cast<size_t>(kMaxQuads) * 4);
  r.indices.resize(static_cast<size_t>(kMaxQuads) * 6);
  for (int q = 0; q < kMaxQuads; ++q) {
    const uint16_t b = static_cast<uint16_t>(q * 4);
    uint16_t* i = r.indices.data() + static_cast<size_t>(q) * 6;
    i[0] = b;
    i[1] = static_cast<uint16_t>(b + 1);
    i[2] = static_cast<uint16_t>(b + 2);
    i[3] = b;
    i[4] = static_cast<uint16_t>(b + 2);
    i[5] = static_cast<uint16_t>(b + 3);
  }
  glDisable(GL_DEPTH_TEST);
  glDisable(GL_CULL_FACE);
  glDisable(GL_LIGHTING);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  glEnableClientState(GL_COLOR_ARRAY);
  glGenTextures(1, &r.white);
  glBindTexture(GL_TEXTURE_2D, r.white);
  const uint32_t white = 0xFFFFFFFFu;
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, &white);
  r.bound = 0;
  r.applied_blend = -1;
}

bool Ready() { return R().ready; }

void StartOver() { R() = Renderer(); }

void SetView(int drawable_w, int drawable_h, float virtual_w, float virtual_h) {
  if (!R().ready) return;
  Flush();
  R().view_w = drawable_w;
  R().view_h = drawable_h;
  // The virtual screen keeps its aspect ratio, centred with bars on two sides.
  const float scale = std::min(drawable_w / virtual_w, drawable_h / virtual_h);
  const int vw = static_cast<int>(std::lround(virtual_w * scale));
  const int vh = static_cast<int>(std::lround(virtual_h * scale));
  const int ox = (drawable_w - vw) / 2;
  const int oy = (drawable_h - vh) / 2;
  glViewport(ox, oy, vw, vh);
  glScissor(ox, oy, vw, vh);
  glEnable(GL_SCISSOR_TEST);
  glMatrixMode(GL_PROJECTION);
  glLoadIdentity();
  glOrtho(0.0, virtual_w, virtual_h, 0.0, -1.0, 1.0);
  glMatrixMode(GL_MODELVIEW);
  glLoadIdentity();
}

void Flush() {
  Renderer& r = R();
  if (!r.ready || r.verts.empty()) return;
  ApplyBlend(r.queued_blend);
  glBindTexture(GL_TEXTURE_2D, r.bound);
  const Vertex* v = r.verts.data();
  glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &v->x);
  glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &v->u);
  glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &v->rgba);
  glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(r.verts.size() / 4 * 6), GL_UNSIGNED_SHORT,
                 r.indices.data());
  r.verts.clear();
}

void ReplaceFrame(gfxcore::ImageRec& img, int frame, const uint32_t* px) {
  if (!R().ready || img.texture == 0 || frame < 0 || frame >= img.frames) return;
  Flush();  // queued quads may show the frame as it was
  const int cw = img.width + 2;
  const int ch = img.height + 2;
  std::vector<uint32_t> cell(static_cast<size_t>(cw) * ch);
  int x0 = img.width, y0 = img.height, x1 = 0, y1 = 0;
  for (int y = 0; y < ch; ++y) {
    const int sy = std::clamp(y - 1, 0, img.height - 1);
    for (int x = 0; x < cw; ++x) {
      const int sx = std::clamp(x - 1, 0, img.width - 1);
      const uint32_t p = px[sy * img.width + sx];
      cell[static_cast<size_t>(y) * cw + x] = p;
      if ((p >> 24) && x == sx + 1 && y == sy + 1) {
        x0 = std::min(x0, sx);
        y0 = std::min(y0, sy);
        x1 = std::max(x1, sx + 1);
        y1 = std::max(y1, sy + 1);
      }
    }
  }
  if (x0 < x1)
    img.visible[static_cast<size_t>(frame)] = {
        static_cast<int16_t>(std::max(x0 - 1, 0)), static_cast<int16_t>(std::max(y0 - 1, 0)),
        static_cast<int16_t>(std::min(x1 + 1, img.width)),
        static_cast<int16_t>(std::min(y1 + 1, img.height))};
  else
    img.visible[static_cast<size_t>(frame)] = {0, 0, 0, 0};
  glBindTexture(GL_TEXTURE_2D, img.texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexSubImage2D(GL_TEXTURE_2D, 0, (frame % img.tex_cols) * cw, (frame / img.tex_cols) * ch, cw,
                  ch, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, cell.data());
  img.KeepSolid(frame, px);
}

void Submit() {
  if (!R().ready) return;
  Flush();
  glFlush();
}

void Finish() {
  if (!R().ready) return;
  Flush();
  glFinish();
}

void Clear(int red, int green, int blue) {
  if (!R().ready) return;
  Flush();
  glDisable(GL_SCISSOR_TEST);
  glClearColor(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
}

void ImageQuad(gfxcore::ImageRec& img, int frame, const gfxcore::DrawState& s, float x, float y) {
  if (!R().ready || !EnsureTexture(img)) return;
  int bx0 = 0, by0 = 0, bx1 = img.width, by1 = img.height;
  // Clear texels leave the screen untouched under alpha and light blending, so
  // only the box around the visible ones is filled. Mipmapped images sample
  // wider footprints when drawn small and keep their whole frame.
  if ((s.blend == ALPHABLEND || s.blend == LIGHTBLEND) && !(img.flags & MIPMAPPEDIMAGE) &&
      static_cast<size_t>(frame) < img.visible.size()) {
    const auto& v = img.visible[static_cast<size_t>(frame)];
    if (v[2] <= v[0]) return;  // nothing visible in the frame
    bx0 = v[0], by0 = v[1], bx1 = v[2], by1 = v[3];
  }
  float qx[4], qy[4];
  gfxcore::PlaceQuad(s, x, y, img.handle_x - bx0, img.handle_y - by0,
                     static_cast<float>(bx1 - bx0), static_cast<float>(by1 - by0), qx, qy);
  Prepare(img.texture, s.blend);
  const float iw = 1.0f / img.tex_w;
  const float ih = 1.0f / img.tex_h;
  const int cx = (frame % img.tex_cols) * (img.width + 2) + 1;
  const int cy = (frame / img.tex_cols) * (img.height + 2) + 1;
  Push(qx, qy, (cx + bx0) * iw, (cy + by0) * ih, (cx + bx1) * iw, (cy + by1) * ih,
       StateColour(s));
}

void QuadPart(gfxcore::ImageRec& img, int sx, int sy, int sw, int sh, const float x[4],
              const float y[4], int blend, uint32_t rgba) {
  if (!R().ready || !EnsureTexture(img)) return;
  Prepare(img.texture, blend);
  const float iw = 1.0f / img.tex_w;
  const float ih = 1.0f / img.tex_h;
  Push(x, y, (sx + 1) * iw, (sy + 1) * ih, (sx + 1 + sw) * iw, (sy + 1 + sh) * ih, rgba);
}

void Solid(const float x[4], const float y[4], int blend, uint32_t rgba) {
  if (!R().ready) return;
  Prepare(R().white, blend);
  Push(x, y, 0.5f, 0.5f, 0.5f, 0.5f, rgba);
}

void Release(gfxcore::ImageRec& img) {
  if (img.texture == 0) return;
  if (R().ready) {
    if (R().bound == img.texture) {
      Flush();
      R().bound = 0;
    }
    GLuint t = img.texture;
    glDeleteTextures(1, &t);
  }
  img.texture = 0;
  img.dirty = true;
}

void ReadPixels(int x, int y, int w, int h, uint32_t* out, int drawable_h) {
  std::fill(out, out + static_cast<size_t>(w) * h, 0xFF000000u);
  if (!R().ready) return;
  Flush();
  const int x0 = std::max(x, 0), y0 = std::max(y, 0);
  const int x1 = std::min(x + w, R().view_w), y1 = std::min(y + h, drawable_h);
  if (x0 >= x1 || y0 >= y1) return;
  const int rw = x1 - x0, rh = y1 - y0;
  std::vector<uint32_t> buf(static_cast<size_t>(rw) * rh);
  glReadBuffer(GL_BACK);
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  // OpenGL counts rows from the bottom.
  glReadPixels(x0, drawable_h - y1, rw, rh, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, buf.data());
  for (int j = 0; j < rh; ++j) {
    const uint32_t* src = buf.data() + static_cast<size_t>(rh - 1 - j) * rw;
    uint32_t* dst = out + static_cast<size_t>(y0 - y + j) * w + (x0 - x);
    for (int i = 0; i < rw; ++i) dst[i] = src[i] | 0xFF000000u;
  }
}

uint32_t StateColour(const gfxcore::DrawState& s) {
  const float a = std::clamp(s.alpha, 0.0f, 1.0f);
  const uint32_t alpha = static_cast<uint32_t>(a * 255.0f + 0.5f);
  return static_cast<uint32_t>(s.r) | (static_cast<uint32_t>(s.g) << 8) |
         (static_cast<uint32_t>(s.b) << 16) | (alpha << 24);
}

}  // namespace glr
