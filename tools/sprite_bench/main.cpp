// Sprite throughput: how many sprites a frame each way of drawing can put on
// the screen while holding 60 frames a second. The load is the engine speed
// test's: a 16 x 16 frame at scale 2, every sprite with its own rotation,
// colour and alpha, alpha-blended. Three ways in one run:
//   our layer      DrawImage through the game's drawing layer
//   SDL_Renderer   SDL's own 2D renderer (OpenGL driver, batching on)
//   limit          a bare loop filling one vertex array, drawn with one call
// Run twice over: invisible sprites (alpha 0, as the speed test draws them)
// and visible ones (alpha 1). Nothing skips an invisible sprite.
//
// The three searches advance in turn, one probe each, so that load elsewhere
// on the machine falls on all three alike.
//
//   LIBGL_ALWAYS_SOFTWARE=1 xvfb-run -a -s "-screen 0 1920x1080x24"
//       build/tools/sprite_bench/sprite_bench
// SPRITE_BENCH_VERBOSE=1 prints every probe. An optional argument names a PNG whose
// top-left 16 x 16 cell becomes the sprite (the game's icon strip, for instance).
#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "platform/graphics.h"
#include "platform/real/display_internal.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFrame = 16;
constexpr float kScale = 2.0f;
constexpr double kTargetFps = 60.0;
constexpr int kWarmFrames = 3;
constexpr int kTimedFrames = 15;
constexpr int kMaxSprites = 1 << 21;
constexpr int kRounds = 3;

struct Sprite {
  float x, y, angle;
  uint8_t r, g, b;
};

std::vector<Sprite> g_sprites;
bool g_verbose = false;

void EnsureSprites(int n) {
  static std::mt19937 rng(1234);
  while (static_cast<int>(g_sprites.size()) < n) {
    Sprite s;
    s.angle = static_cast<float>(rng() % 360 + 1);
    s.y = static_cast<float>(rng() % kHeight + 1);
    s.x = static_cast<float>(rng() % kWidth + 1);
    s.r = static_cast<uint8_t>(rng());
    s.g = static_cast<uint8_t>(rng());
    s.b = static_cast<uint8_t>(rng());
    g_sprites.push_back(s);
  }
}

std::string g_picture;  // a picture whose top-left 16 x 16 cell is the sprite, if given

// The sprite: the first cell of the given picture, or a ring with a transparent
// inside and corners, as icons have.
std::vector<uint32_t> IconPixels() {
  std::vector<uint32_t> px(kFrame * kFrame);
  if (!g_picture.empty()) {
    const int pm = LoadPixmapPNG(g_picture);
    if (pm != 0) {
      for (int y = 0; y < kFrame; ++y)
        for (int x = 0; x < kFrame; ++x) px[y * kFrame + x] = ReadPixel(pm, x, y);
      FreePixmap(pm);
      return px;
    }
    std::fprintf(stderr, "cannot read %s; using the ring\n", g_picture.c_str());
    g_picture.clear();
  }
  for (int y = 0; y < kFrame; ++y)
    for (int x = 0; x < kFrame; ++x) {
      const float dx = x - 7.5f, dy = y - 7.5f;
      const float d = std::sqrt(dx * dx + dy * dy);
      px[y * kFrame + x] = (d < 7.5f && d > 3.0f) ? 0xFFFFFFFFu : 0x00000000u;
    }
  return px;
}

// One way of drawing: brought to the front before its probes, then asked for frames.
struct Way {
  std::string name;
  std::function<void()> activate;
  std::function<void()> deactivate;
  std::function<void(int)> frame;
  // Search state: lo holds 60 fps, hi does not (once found).
  int lo = 0, hi = 250;
  bool bracketed = false;
  bool done = false;
};

// Frames per second at n sprites a frame, from the fastest of several frames:
// other work on the machine only ever adds time, so the fastest frame is the
// best estimate of what the drawing itself costs.
double MeasureFps(Way& way, int n) {
  EnsureSprites(n);
  for (int i = 0; i < kWarmFrames; ++i) way.frame(n);
  double best = 1e9;
  for (int i = 0; i < kTimedFrames; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    way.frame(n);
    best = std::min(best,
                    std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  const double fps = 1.0 / best;
  if (g_verbose) std::printf("  %-13s n %7d: %7.1f fps\n", way.name.c_str(), n, fps);
  return fps;
}

// One probe of the search for the largest n (to about 2 %) holding 60 fps.
void Probe(Way& w) {
  if (!w.bracketed) {
    if (MeasureFps(w, w.hi) >= kTargetFps) {
      w.lo = w.hi;
      w.hi *= 2;
      if (w.hi > kMaxSprites) w.done = true;
    } else {
      w.bracketed = true;
    }
  } else {
    const int mid = (w.lo + w.hi) / 2;
    (MeasureFps(w, mid) >= kTargetFps ? w.lo : w.hi) = mid;
  }
  if (w.bracketed && w.hi - w.lo <= std::max(50, w.lo / 50)) w.done = true;
}

void Search(std::vector<Way*> ways) {
  for (Way* w : ways) w->deactivate();
  for (bool any = true; any;) {
    any = false;
    for (Way* w : ways) {
      if (w->done) continue;
      any = true;
      w->activate();
      Probe(*w);
      w->deactivate();
    }
  }
}

// ---- our layer ----------------------------------------------------------------------

struct OurLayer {
  int icon = 0;
  SDL_GLContext context = nullptr;
  float alpha = 0;
  Way way;

  bool Open() {
    if (!Graphics(kWidth, kHeight, 0, 60, 0)) return false;
    context = SDL_GL_GetCurrentContext();
    AutoMidHandle(true);
    const int pm = CreatePixmap(kFrame, kFrame);
    const auto px = IconPixels();
    for (int i = 0; i < kFrame * kFrame; ++i) WritePixel(pm, i % kFrame, i / kFrame, px[i]);
    icon = LoadImageFromPixmap(pm, MASKEDIMAGE);  // as the game's icon strip: masked, crisp
    FreePixmap(pm);
    way.name = "our layer";
    way.activate = [this] {
      SDL_ShowWindow(DisplayWindow());
      SDL_GL_MakeCurrent(DisplayWindow(), context);
    };
    way.deactivate = [] { SDL_HideWindow(DisplayWindow()); };
    way.frame = [this](int count) {
      Cls();
      SetBlend(ALPHABLEND);
      for (int i = 0; i < count; ++i) {
        const Sprite& s = g_sprites[i];
        SetRotation(s.angle);
        SetColor(s.r, s.g, s.b);
        SetAlpha(alpha);
        SetScale(kScale, kScale);
        DrawImage(icon, s.x, s.y, 0);
      }
      Flip(0);
      glFinish();
    };
    return true;
  }
  void Close() {
    FreeImage(icon);
    EndGraphics();
  }
};

// ---- SDL_Renderer ---------------------------------------------------------------------

struct SdlRenderer {
  SDL_Window* win = nullptr;
  SDL_Renderer* ren = nullptr;
  SDL_Texture* tex = nullptr;
  float alpha = 0;
  Way way;

  bool Open() {
    SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
    SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
    win = SDL_CreateWindow("SDL_Renderer", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                           kWidth, kHeight, SDL_WINDOW_HIDDEN);
    if (!win) return false;
    ren = SDL_CreateRenderer(win, -1, SDL_RENDERER_ACCELERATED);
    if (!ren) return false;
    auto px = IconPixels();
    SDL_Surface* surf = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), kFrame, kFrame, 32,
                                                           kFrame * 4, SDL_PIXELFORMAT_ARGB8888);
    tex = SDL_CreateTextureFromSurface(ren, surf);
    SDL_FreeSurface(surf);
    if (!tex) return false;
    SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
    way.name = "SDL_Renderer";
    way.activate = [this] { SDL_ShowWindow(win); };
    way.deactivate = [this] { SDL_HideWindow(win); };
    way.frame = [this](int count) {
      const Uint8 a8 = static_cast<Uint8>(alpha * 255.0f + 0.5f);
      const SDL_Rect src{0, 0, kFrame, kFrame};
      const float size = kFrame * kScale;
      const SDL_FPoint centre{size / 2, size / 2};
      SDL_SetRenderDrawColor(ren, 0, 0, 0, 255);
      SDL_RenderClear(ren);
      for (int i = 0; i < count; ++i) {
        const Sprite& s = g_sprites[i];
        SDL_SetTextureColorMod(tex, s.r, s.g, s.b);
        SDL_SetTextureAlphaMod(tex, a8);
        const SDL_FRect dst{s.x - size / 2, s.y - size / 2, size, size};
        SDL_RenderCopyExF(ren, tex, &src, &dst, s.angle, &centre, SDL_FLIP_NONE);
      }
      SDL_RenderPresent(ren);
      glFinish();
    };
    return true;
  }
  void Close() {
    if (tex) SDL_DestroyTexture(tex);
    if (ren) SDL_DestroyRenderer(ren);
    if (win) SDL_DestroyWindow(win);
  }
};

// ---- the limit: one vertex array, one draw ------------------------------------------

struct Vertex {
  float x, y, u, v;
  uint32_t rgba;
};

struct Limit {
  SDL_Window* win = nullptr;
  SDL_GLContext ctx = nullptr;
  GLuint tex = 0;
  float alpha = 0;
  std::vector<Vertex> verts;
  std::vector<GLuint> idx;
  Way way;

  bool Open() {
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
    win = SDL_CreateWindow("limit", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED, kWidth,
                           kHeight, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!win) return false;
    ctx = SDL_GL_CreateContext(win);
    if (!ctx) return false;
    SDL_GL_MakeCurrent(win, ctx);
    SDL_GL_SetSwapInterval(0);
    glGenTextures(1, &tex);
    glBindTexture(GL_TEXTURE_2D, tex);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    const auto px = IconPixels();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, kFrame, kFrame, 0, GL_BGRA,
                 GL_UNSIGNED_INT_8_8_8_8_REV, px.data());
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glViewport(0, 0, kWidth, kHeight);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(0, kWidth, kHeight, 0, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glEnableClientState(GL_COLOR_ARRAY);
    way.name = "limit";
    way.activate = [this] {
      SDL_ShowWindow(win);
      SDL_GL_MakeCurrent(win, ctx);
    };
    way.deactivate = [this] { SDL_HideWindow(win); };
    way.frame = [this](int count) { Frame(count); };
    return true;
  }

  void Frame(int count) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    verts.resize(static_cast<size_t>(count) * 4);
    if (idx.size() < static_cast<size_t>(count) * 6) {
      idx.resize(static_cast<size_t>(count) * 6);
      for (int q = 0; q < count; ++q) {
        const GLuint b = static_cast<GLuint>(q) * 4;
        GLuint* i = &idx[static_cast<size_t>(q) * 6];
        i[0] = b, i[1] = b + 1, i[2] = b + 2, i[3] = b, i[4] = b + 2, i[5] = b + 3;
      }
    }
    const uint32_t a8 = static_cast<uint32_t>(alpha * 255.0f + 0.5f);
    const float half = kFrame * kScale / 2;
    Vertex* v = verts.data();
    for (int i = 0; i < count; ++i, v += 4) {
      const Sprite& s = g_sprites[i];
      const float rad = s.angle * 3.14159265f / 180.0f;
      const float c = std::cos(rad) * half, sn = std::sin(rad) * half;
      const uint32_t col = s.r | (s.g << 8) | (s.b << 16) | (a8 << 24);
      v[0] = {s.x - c + sn, s.y - sn - c, 0, 0, col};
      v[1] = {s.x + c + sn, s.y + sn - c, 1, 0, col};
      v[2] = {s.x + c - sn, s.y + sn + c, 1, 1, col};
      v[3] = {s.x - c - sn, s.y - sn + c, 0, 1, col};
    }
    if (count > 0) {
      glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &verts[0].x);
      glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &verts[0].u);
      glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &verts[0].rgba);
      glDrawElements(GL_TRIANGLES, count * 6, GL_UNSIGNED_INT, idx.data());
    }
    SDL_GL_SwapWindow(win);
    glFinish();
  }

  void Close() {
    if (ctx) {
      SDL_GL_MakeCurrent(win, ctx);
      glDeleteTextures(1, &tex);
      SDL_GL_DeleteContext(ctx);
    }
    if (win) SDL_DestroyWindow(win);
  }
};

}  // namespace

int main(int argc, char** argv) {
  if (argc > 1) g_picture = argv[1];
  g_verbose = std::getenv("SPRITE_BENCH_VERBOSE") != nullptr;
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "SDL could not start: %s\n", SDL_GetError());
    return 1;
  }
  Limit limit;
  OurLayer ours;
  SdlRenderer sdl;
  if (!limit.Open() || !ours.Open() || !sdl.Open()) {
    std::fprintf(stderr, "a way of drawing could not start: %s\n", SDL_GetError());
    return 1;
  }
  std::printf("sprites a frame holding 60 fps; %dx%d frame at scale %.0f, random rotation "
              "and colour; window %dx%d\n",
              kFrame, kFrame, kScale, kWidth, kHeight);
  for (float alpha : {0.0f, 1.0f}) {
    ours.alpha = sdl.alpha = limit.alpha = alpha;
    // The best of a few whole searches, for the same reason a probe keeps its
    // fastest frame.
    int best_ours = 0, best_sdl = 0, best_limit = 0;
    for (int round = 0; round < kRounds; ++round) {
      for (Way* w : {&ours.way, &sdl.way, &limit.way})
        *w = Way{w->name, w->activate, w->deactivate, w->frame};
      Search({&ours.way, &sdl.way, &limit.way});
      best_ours = std::max(best_ours, ours.way.lo);
      best_sdl = std::max(best_sdl, sdl.way.lo);
      best_limit = std::max(best_limit, limit.way.lo);
    }
    std::printf("\nalpha %.0f\n", alpha);
    std::printf("our layer: %d\n", best_ours);
    std::printf("SDL_Renderer: %d\n", best_sdl);
    std::printf("limit: %d\n", best_limit);
    if (best_sdl > 0)
      std::printf("ratio vs SDL_Renderer: %.2f\n", static_cast<double>(best_ours) / best_sdl);
    if (best_limit > 0)
      std::printf("ratio vs limit: %.2f\n", static_cast<double>(best_ours) / best_limit);
    std::fflush(stdout);
  }
  sdl.Close();
  ours.Close();
  limit.Close();
  SDL_Quit();
  return 0;
}
