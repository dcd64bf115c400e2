// The display: one window and one OpenGL context for the whole run. Closing a
// display only hides the window, and opening one resizes or switches it, so
// textures of images and fonts stay valid across every display change.
#include <SDL.h>

#include <algorithm>
#include <initializer_list>
#include <cmath>
#include <vector>

#include "platform/core/gfx_core.h"
#include "platform/graphics.h"
#include "platform/real/display_internal.h"
#include "platform/real/gl_renderer.h"
#include "platform/runtime.h"

namespace {

struct ModeEntry {
  int width, height, depth, hertz;
};

struct Display {
  SDL_Window* window = nullptr;
  Uint32 window_id = 0;
  SDL_GLContext context = nullptr;
  bool open = false;
  bool fullscreen = false;
  int width = 0, height = 0, depth = 0;
  int driver = 0;
  int default_flags = 0;
  int swap_interval = -2;  // as last set on the context; -2 unknown
  bool modes_read = false;
  std::vector<ModeEntry> modes;
  // The view as last given to the renderer.
  int view_dw = 0, view_dh = 0;
  float view_vw = 0, view_vh = 0;
  // Why the last Graphics call opened nothing, in SDL's words.
  std::string error;
};

Display& D() {
  static Display d;
  return d;
}

constexpr size_t kMaxModes = 2499;

// Window captions are UTF-8; the game's text is one byte per character, Latin-1.
std::string Latin1ToUtf8(const std::string& text) {
  std::string out;
  for (unsigned char c : text) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// Only the desktop's own window systems show a window anyone can see; left to
// itself SDL would fall back on drivers that draw nowhere, and the game would
// run unseen. A driver the user names in SDL_VIDEODRIVER is taken as asked.
bool EnsureVideo() {
  if (SDL_WasInit(SDL_INIT_VIDEO)) return true;
  WatchForDisplayLoss();
  const char* named = SDL_getenv("SDL_VIDEODRIVER");
  if (named != nullptr && *named != '\0') return StartVideo();
  // Each window system's refusal is kept: the last one alone would hide why
  // the first (the usual one) failed.
  std::string refusals;
  for (const char* driver : {"x11", "wayland"}) {
    SDL_SetHint(SDL_HINT_VIDEODRIVER, driver);
    if (StartVideo()) return true;
    if (!refusals.empty()) refusals += "; ";
    refusals += SDL_GetError();
  }
  SDL_SetError("%s", refusals.c_str());
  return false;
}

void ReadModes() {
  Display& d = D();
  if (d.modes_read || !EnsureVideo()) return;
  d.modes_read = true;
  const int n = SDL_GetNumDisplayModes(0);
  for (int i = 0; i < n && d.modes.size() < kMaxModes; ++i) {
    SDL_DisplayMode m{};
    if (SDL_GetDisplayMode(0, i, &m) != 0) continue;
    int bits = SDL_BITSPERPIXEL(m.format);
    if (SDL_BYTESPERPIXEL(m.format) == 4) bits = 32;
    if (bits < 16) continue;
    d.modes.push_back({m.w, m.h, bits, m.refresh_rate});
  }
}

void DrawableSize(int& w, int& h) {
  w = h = 0;
  if (D().window) SDL_GL_GetDrawableSize(D().window, &w, &h);
}

// Keeps the renderer's view in step with the drawable and the virtual screen.
inline void SyncView() {
  Display& d = D();
  const gfxcore::DrawState& s = gfxcore::State();
  if (d.view_vw == s.virtual_w && d.view_vh == s.virtual_h) return;
  DrawableSize(d.view_dw, d.view_dh);
  d.view_vw = s.virtual_w;
  d.view_vh = s.virtual_h;
  glr::SetView(d.view_dw, d.view_dh, d.view_vw, d.view_vh);
}

void FlushHook() { glr::Flush(); }
void ReleaseHook(gfxcore::ImageRec& img) { glr::Release(img); }

bool CreateWindowAndContext(int w, int h) {
  Display& d = D();
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
  SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
  // The X server may end while the driver loads: the driver then reads
  // replies it never got.
  OpenGLSetUpGuard guard;
  d.window = SDL_CreateWindow("Duskmoor II", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, w,
                              h, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
  if (!d.window) return false;
  d.window_id = SDL_GetWindowID(d.window);
  d.context = SDL_GL_CreateContext(d.window);
  if (!d.context) {
    SDL_DestroyWindow(d.window);
    d.window = nullptr;
    return false;
  }
  SDL_GL_MakeCurrent(d.window, d.context);
  glr::Init();
  gfxcore::g_flush_hook = FlushHook;
  gfxcore::g_release_hook = ReleaseHook;
  return true;
}

bool OpenDisplay(int w, int h, int depth, int hertz) {
  Display& d = D();
  if (w <= 0 || h <= 0 || !EnsureVideo()) return false;
  if (!d.window) {
    if (!CreateWindowAndContext(w, h)) return false;
  } else {
    SDL_SetWindowFullscreen(d.window, 0);
    SDL_SetWindowSize(d.window, w, h);
    SDL_SetWindowPosition(d.window, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED);
  }
  d.fullscreen = false;
  if (depth != 0) {
    if (!GraphicsModeExists(w, h, depth, 0)) return false;
    SDL_DisplayMode want{};
    want.w = w;
    want.h = h;
    want.refresh_rate = hertz;
    SDL_DisplayMode got{};
    if (!SDL_GetClosestDisplayMode(0, &want, &got) || got.w != w || got.h != h) return false;
    if (SDL_SetWindowDisplayMode(d.window, &got) != 0) return false;
    if (SDL_SetWindowFullscreen(d.window, SDL_WINDOW_FULLSCREEN) != 0) {
      SDL_SetWindowFullscreen(d.window, 0);
      return false;
    }
    d.fullscreen = true;
  }
  SDL_SetWindowTitle(d.window, Latin1ToUtf8(AppTitle.empty() ? "Duskmoor II" : AppTitle).c_str());
  SDL_ShowWindow(d.window);
  SDL_GL_MakeCurrent(d.window, d.context);
  d.open = true;
  d.width = w;
  d.height = h;
  d.depth = depth;
  return true;
}

void SetSwap(int interval) {
  if (D().swap_interval == interval) return;
  D().swap_interval = interval;
  SDL_GL_SetSwapInterval(interval);
}

}  // namespace

// ---- what the rest of the real backend sees ----------------------------------------

SDL_Window* DisplayWindow() { return D().open ? D().window : nullptr; }

void DisplayStartOver() {
  Display& d = D();
  // SDL's quit closes every window, and the window may be gone although the
  // pointer is still held; SDL's list of windows tells.
  const bool alive = d.window != nullptr && SDL_WasInit(SDL_INIT_VIDEO) != 0 &&
                     SDL_GetWindowFromID(d.window_id) == d.window;
  // Mesa's software rasteriser hangs for good in its teardown when its
  // threads are still to start on work it was given (a machine busy enough
  // to keep them waiting for a processor is all it takes), so the context
  // finishes all of it before it goes.
  if (alive && d.context && SDL_GL_MakeCurrent(d.window, d.context) == 0) glr::Finish();
  // The textures go with the context, so the renderer and the stores forget
  // theirs without a word to OpenGL.
  glr::StartOver();
  gfxcore::ClearAll();
  if (alive) {
    SDL_GL_MakeCurrent(d.window, nullptr);
    if (d.context) SDL_GL_DeleteContext(d.context);
    SDL_DestroyWindow(d.window);
  }
  d = Display();
}

namespace {
// Window pixels per virtual unit and the offset of the virtual screen's corner.
bool Letterbox(float& scale, float& ox, float& oy) {
  Display& d = D();
  if (!d.window) return false;
  int ww = 0, wh = 0;
  SDL_GetWindowSize(d.window, &ww, &wh);
  const gfxcore::DrawState& s = gfxcore::State();
  if (ww <= 0 || wh <= 0 || s.virtual_w <= 0 || s.virtual_h <= 0) return false;
  scale = std::min(ww / s.virtual_w, wh / s.virtual_h);
  ox = (ww - s.virtual_w * scale) / 2.0f;
  oy = (wh - s.virtual_h * scale) / 2.0f;
  return scale > 0;
}
}  // namespace

void DisplayWindowToVirtual(float wx, float wy, float& vx, float& vy) {
  float scale = 1, ox = 0, oy = 0;
  if (!Letterbox(scale, ox, oy)) {
    vx = wx;
    vy = wy;
    return;
  }
  vx = (wx - ox) / scale;
  vy = (wy - oy) / scale;
}

void DisplayVirtualToWindow(float vx, float vy, float& wx, float& wy) {
  float scale = 1, ox = 0, oy = 0;
  if (!Letterbox(scale, ox, oy)) {
    wx = vx;
    wy = vy;
    return;
  }
  wx = vx * scale + ox;
  wy = vy * scale + oy;
}

// ---- display ----------------------------------------------------------------------

int GL2DDriver() { return 1; }

void SetGraphicsDriver(int driver, int default_flags) {
  D().driver = driver;
  D().default_flags = default_flags;
}

int Graphics(int width, int height, int depth, int hertz, int /*flags*/) {
  EndGraphics();
  // A display that cannot be opened as asked falls back to a window of the
  // same size, then to a small window, so the game always has a screen.
  bool ok = OpenDisplay(width, height, depth, hertz);
  if (!ok && depth != 0) ok = OpenDisplay(width, height, 0, hertz);
  if (!ok) ok = OpenDisplay(800, 600, 0, hertz);
  if (!ok) {
    D().error = SDL_GetError();
    DebugLog("Display could not be opened: " + D().error);
    return 0;
  }
  D().error.clear();
  gfxcore::ResetDrawState(static_cast<float>(D().width), static_cast<float>(D().height));
  D().view_vw = D().view_vh = 0;  // force the view to be set afresh
  SyncView();
  glr::Clear(0, 0, 0);
  return 1;
}

void EndGraphics() {
  Display& d = D();
  if (!d.open) return;
  glr::Flush();
  if (d.fullscreen) SDL_SetWindowFullscreen(d.window, 0);
  SDL_HideWindow(d.window);
  d.open = false;
  d.fullscreen = false;
  d.width = d.height = d.depth = 0;
}

std::string GraphicsError() { return D().error; }

int GraphicsWidth() { return D().width; }
int GraphicsHeight() { return D().height; }
int GraphicsDepth() { return D().depth; }

void Flip(int sync) {
  Display& d = D();
  if (d.open) {
    // A switch to full screen may settle on another size only after a while.
    int dw = 0, dh = 0;
    DrawableSize(dw, dh);
    if (dw != d.view_dw || dh != d.view_dh) d.view_vw = d.view_vh = 0;
    SyncView();
    glr::Flush();
    // -1: the display's default, which waits for the vertical refresh.
    SetSwap(sync == 0 ? 0 : 1);
    SDL_GL_SwapWindow(d.window);
  }
}

void SubmitDraws() {
  if (!D().open) return;
  glr::Submit();
}

int CountGraphicsModes() {
  ReadModes();
  return static_cast<int>(D().modes.size());
}

void GetGraphicsMode(int index, int& width, int& height, int& depth, int& hertz) {
  ReadModes();
  width = height = depth = hertz = 0;
  if (index < 0 || index >= static_cast<int>(D().modes.size())) return;
  const ModeEntry& m = D().modes[static_cast<size_t>(index)];
  width = m.width;
  height = m.height;
  depth = m.depth;
  hertz = m.hertz;
}

bool GraphicsModeExists(int width, int height, int depth, int hertz) {
  ReadModes();
  for (const ModeEntry& m : D().modes)
    if (m.width == width && m.height == height && (depth == 0 || m.depth == depth) &&
        (hertz == 0 || m.hertz == hertz))
      return true;
  return false;
}

// ---- drawing ------------------------------------------------------------------------

void Cls() {
  if (!D().open) return;
  SyncView();
  const gfxcore::DrawState& s = gfxcore::State();
  glr::Clear(s.cls_r, s.cls_g, s.cls_b);
}

void DrawImage(int image, float x, float y, int frame) {
  if (!D().open) return;
  gfxcore::ImageRec* img = gfxcore::Image(image);
  if (!img || !img->HasFrame(frame)) return;
  SyncView();
  glr::ImageQuad(*img, frame, gfxcore::State(), x, y);
}

void DrawRect(float x, float y, float width, float height) {
  if (!D().open) return;
  SyncView();
  const gfxcore::DrawState& s = gfxcore::State();
  float qx[4], qy[4];
  gfxcore::PlaceQuad(s, x, y, 0.0f, 0.0f, width, height, qx, qy);
  glr::Solid(qx, qy, s.blend, glr::StateColour(s));
}

void DrawLine(float x1, float y1, float x2, float y2) {
  if (!D().open) return;
  SyncView();
  const gfxcore::DrawState& s = gfxcore::State();
  // A one-unit-wide band along the line, reaching half a unit past each end.
  const float dx = x2 - x1, dy = y2 - y1;
  const float len = std::sqrt(dx * dx + dy * dy);
  float ux = 1.0f, uy = 0.0f;
  if (len > 0.0f) {
    ux = dx / len;
    uy = dy / len;
  }
  const float ax = x1 + 0.5f - ux * 0.5f, ay = y1 + 0.5f - uy * 0.5f;
  const float bx = x2 + 0.5f + ux * 0.5f, by = y2 + 0.5f + uy * 0.5f;
  const float px = -uy * 0.5f, py = ux * 0.5f;
  const float qx[4] = {ax + px, bx + px, bx - px, ax - px};
  const float qy[4] = {ay + py, by + py, by - py, ay - py};
  glr::Solid(qx, qy, s.blend, glr::StateColour(s));
}

void DrawText(const std::string& text, float x, float y) {
  if (!D().open || text.empty()) return;
  SyncView();
  const gfxcore::DrawState& s = gfxcore::State();
  gfxcore::FontRec& font = gfxcore::CurrentFont();
  const uint32_t colour = glr::StateColour(s);
  int pen = 0;
  for (unsigned char c : text) {
    const gfxcore::Glyph& g = font.glyphs[c];
    if (g.w > 0 && g.h > 0) {
      float qx[4], qy[4];
      gfxcore::PlaceQuad(s, x, y, -static_cast<float>(pen + g.left), -static_cast<float>(g.top),
                         static_cast<float>(g.w), static_cast<float>(g.h), qx, qy);
      glr::QuadPart(*font.atlas, g.atlas_x, g.atlas_y, g.w, g.h, qx, qy, s.blend,
                    colour);
    }
    pen += g.advance;
  }
}

void GrabImage(int image, int x, int y, int frame) {
  gfxcore::ImageRec* img = gfxcore::Image(image);
  if (!D().open || !img || !img->HasFrame(frame)) return;
  SyncView();
  int dw = 0, dh = 0;
  DrawableSize(dw, dh);
  if (img->pixels.empty()) {
    // The CPU copy went with the upload: the frame's texels are replaced alone.
    std::vector<uint32_t> grabbed(static_cast<size_t>(img->width) * img->height);
    glr::ReadPixels(x, y, img->width, img->height, grabbed.data(), dh);
    glr::ReplaceFrame(*img, frame, grabbed.data());
    return;
  }
  glr::ReadPixels(x, y, img->width, img->height, img->Frame(frame), dh);
  img->dirty = true;
}

int GrabPixmap(int x, int y, int width, int height) {
  if (!D().open || width <= 0 || height <= 0) return 0;
  SyncView();
  int dw = 0, dh = 0;
  DrawableSize(dw, dh);
  gfxcore::PixmapRec p;
  p.width = width;
  p.height = height;
  p.pixels.resize(static_cast<size_t>(width) * height);
  glr::ReadPixels(x, y, width, height, p.pixels.data(), dh);
  return gfxcore::AddPixmap(std::move(p));
}
