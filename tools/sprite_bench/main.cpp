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
//   xvfb-run -a -s "-screen 0 1920x1080x24" env LIBGL_ALWAYS_SOFTWARE=1 build/tools/sprite_bench/sprite_bench
#include <GL/gl.h>
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include "platform/graphics.h"

namespace {

constexpr int kWidth = 1280;
constexpr int kHeight = 720;
constexpr int kFrame = 16;
constexpr float kScale = 2.0f;
constexpr double kTargetFps = 60.0;
constexpr int kWarmFrames = 3;
constexpr int kTimedFrames = 15;

struct Sprite {
  float x, y, angle;
  uint8_t r, g, b;
};

std::vector<Sprite> g_sprites;

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

// The test picture: a ring with a transparent inside and corners, as icons have.
std::vector<uint32_t> IconPixels() {
  std::vector<uint32_t> px(kFrame * kFrame);
  for (int y = 0; y < kFrame; ++y)
    for (int x = 0; x < kFrame; ++x) {
      const float dx = x - 7.5f, dy = y - 7.5f;
      const float d = std::sqrt(dx * dx + dy * dy);
      px[y * kFrame + x] = (d < 7.5f && d > 3.0f) ? 0xFFFFFFFFu : 0x00000000u;
    }
  return px;
}

// Frames per second of one way of drawing at n sprites a frame, from the fastest
// of several frames: other work on the machine only ever adds time, so the
// fastest frame is the best estimate of what the drawing itself costs.
double MeasureFps(const std::function<void(int)>& frame, int n) {
  EnsureSprites(n);
  for (int i = 0; i < kWarmFrames; ++i) frame(n);
  std::vector<double> times;
  for (int i = 0; i < kTimedFrames; ++i) {
    const auto t0 = std::chrono::steady_clock::now();
    frame(n);
    times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count());
  }
  const double fps = 1.0 / *std::min_element(times.begin(), times.end());
  if (std::getenv("SPRITE_BENCH_VERBOSE")) std::printf("  n %d: %.1f fps\n", n, fps);
  return fps;
}

// The largest n (to about 2 %) at which a frame still takes no more than 1/60 s.
int LargestAt60(const std::function<void(int)>& frame) {
  if (std::getenv("SPRITE_BENCH_VERBOSE")) MeasureFps(frame, 0);
  int lo = 0, hi = 250;
  while (hi < (1 << 22) && MeasureFps(frame, hi) >= kTargetFps) {
    lo = hi;
    hi *= 2;
  }
  while (hi - lo > std::max(50, lo / 50)) {
    const int mid = (lo + hi) / 2;
    if (MeasureFps(frame, mid) >= kTargetFps)
      lo = mid;
    else
      hi = mid;
  }
  return lo;
}

// ---- our layer ----------------------------------------------------------------------

int OurLayer(float alpha) {
  if (!Graphics(kWidth, kHeight, 0, 60, 0)) return -1;
  AutoMidHandle(true);
  const int pm = CreatePixmap(kFrame, kFrame);
  const auto px = IconPixels();
  for (int i = 0; i < kFrame * kFrame; ++i) WritePixel(pm, i % kFrame, i / kFrame, px[i]);
  const int icon = LoadImageFromPixmap(pm, MASKEDIMAGE);
  FreePixmap(pm);
  SetBlend(ALPHABLEND);
  const int n = LargestAt60([&](int count) {
    Cls();
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
  });
  FreeImage(icon);
  EndGraphics();
  return n;
}

// ---- SDL_Renderer ---------------------------------------------------------------------

int SdlRenderer(float alpha) {
  SDL_SetHint(SDL_HINT_RENDER_DRIVER, "opengl");
  SDL_SetHint(SDL_HINT_RENDER_BATCHING, "1");
  SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");
  SDL_Window* win = SDL_CreateWindow("SDL_Renderer", SDL_WINDOWPOS_CENTERED,
                                     SDL_WINDOWPOS_CENTERED, kWidth, kHeight, 0);
  if (!win) return -1;
  SDL_Renderer* ren = SDL_CreateRenderer(win, -1, SDL_RENDERER_ACCELERATED);
  if (!ren) {
    SDL_DestroyWindow(win);
    return -1;
  }
  auto px = IconPixels();
  SDL_Surface* surf = SDL_CreateRGBSurfaceWithFormatFrom(px.data(), kFrame, kFrame, 32,
                                                         kFrame * 4, SDL_PIXELFORMAT_ARGB8888);
  SDL_Texture* tex = SDL_CreateTextureFromSurface(ren, surf);
  SDL_FreeSurface(surf);
  SDL_SetTextureBlendMode(tex, SDL_BLENDMODE_BLEND);
  const Uint8 a8 = static_cast<Uint8>(alpha * 255.0f + 0.5f);
  const SDL_Rect src{0, 0, kFrame, kFrame};
  const float size = kFrame * kScale;
  const SDL_FPoint centre{size / 2, size / 2};
  const int n = LargestAt60([&](int count) {
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
  });
  SDL_DestroyTexture(tex);
  SDL_DestroyRenderer(ren);
  SDL_DestroyWindow(win);
  return n;
}

// ---- the limit: one vertex array, one draw ------------------------------------------

struct Vertex {
  float x, y, u, v;
  uint32_t rgba;
};

int Limit(float alpha) {
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 2);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MINOR_VERSION, 1);
  SDL_Window* win = SDL_CreateWindow("limit", SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                     kWidth, kHeight, SDL_WINDOW_OPENGL);
  if (!win) return -1;
  SDL_GLContext ctx = SDL_GL_CreateContext(win);
  if (!ctx) {
    SDL_DestroyWindow(win);
    return -1;
  }
  SDL_GL_MakeCurrent(win, ctx);
  SDL_GL_SetSwapInterval(0);
  GLuint tex = 0;
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
  std::vector<Vertex> verts;
  std::vector<GLuint> idx;
  const uint32_t a8 = static_cast<uint32_t>(alpha * 255.0f + 0.5f);
  const float half = kFrame * kScale / 2;
  const int n = LargestAt60([&](int count) {
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
    glVertexPointer(2, GL_FLOAT, sizeof(Vertex), &verts[0].x);
    glTexCoordPointer(2, GL_FLOAT, sizeof(Vertex), &verts[0].u);
    glColorPointer(4, GL_UNSIGNED_BYTE, sizeof(Vertex), &verts[0].rgba);
    glDrawElements(GL_TRIANGLES, count * 6, GL_UNSIGNED_INT, idx.data());
    SDL_GL_SwapWindow(win);
    glFinish();
  });
  glDeleteTextures(1, &tex);
  SDL_GL_DeleteContext(ctx);
  SDL_DestroyWindow(win);
  return n;
}

}  // namespace

int main() {
  if (SDL_Init(SDL_INIT_VIDEO) != 0) {
    std::fprintf(stderr, "SDL could not start: %s\n", SDL_GetError());
    return 1;
  }
  std::printf("sprites a frame holding 60 fps, %dx%d frame at scale %.0f, window %dx%d\n",
              kFrame, kFrame, kScale, kWidth, kHeight);
  int status = 0;
  for (float alpha : {0.0f, 1.0f}) {
    const int limit = Limit(alpha);
    const int ours = OurLayer(alpha);
    const int sdl = SdlRenderer(alpha);
    std::printf("\nalpha %.0f\n", alpha);
    std::printf("our layer: %d\n", ours);
    std::printf("SDL_Renderer: %d\n", sdl);
    std::printf("limit: %d\n", limit);
    if (ours <= 0 || sdl <= 0 || limit <= 0) {
      std::printf("a way of drawing could not start\n");
      status = 1;
      continue;
    }
    std::printf("ratio vs SDL_Renderer: %.2f\n", static_cast<double>(ours) / sdl);
    std::printf("ratio vs limit: %.2f\n", static_cast<double>(ours) / limit);
    std::fflush(stdout);
  }
  SDL_Quit();
  return status;
}
