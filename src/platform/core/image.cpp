// Image and pixmap handles, the shared drawing state and image loading.
#include <algorithm>
#include <map>

#include "platform/core/gfx_core.h"
#include "platform/core/load_problem.h"
#include "platform/graphics.h"

namespace gfxcore {
namespace {
struct Stores {
  // Indexed by handle; handles are never reused, so a freed slot stays empty.
  std::vector<std::unique_ptr<ImageRec>> images = std::vector<std::unique_ptr<ImageRec>>(1);
  int live_images = 0;
  std::map<int, PixmapRec> pixmaps;
  int next_pixmap = 1;
  bool auto_mid = false;
  DrawState state;
};
Stores& S() {
  static Stores s;
  return s;
}
constexpr float kDegToRad = 3.14159265358979323846f / 180.0f;
}  // namespace

void (*g_flush_hook)() = nullptr;
void (*g_release_hook)(ImageRec&) = nullptr;

DrawState& State() { return S().state; }

void ResetDrawState(float width, float height) {
  DrawState fresh;
  fresh.virtual_w = width;
  fresh.virtual_h = height;
  fresh.cls_r = S().state.cls_r;
  fresh.cls_g = S().state.cls_g;
  fresh.cls_b = S().state.cls_b;
  if (g_flush_hook) g_flush_hook();
  S().state = fresh;
}

ImageRec* Image(int handle) {
  auto& v = S().images;
  return handle > 0 && static_cast<size_t>(handle) < v.size() ? v[handle].get() : nullptr;
}

int AddImage(std::unique_ptr<ImageRec> image) {
  if (!image) return 0;
  if (S().auto_mid) {
    image->handle_x = image->width / 2.0f;
    image->handle_y = image->height / 2.0f;
  }
  S().images.push_back(std::move(image));
  ++S().live_images;
  return static_cast<int>(S().images.size() - 1);
}

int LiveImageCount() { return S().live_images; }

int ResolveFlags(int flags) {
  return flags < 0 ? (MASKEDIMAGE | FILTEREDIMAGE) : flags;
}

std::unique_ptr<ImageRec> CutImage(const std::vector<uint32_t>& pixels, int w, int h,
                                   bool has_alpha, int cell_w, int cell_h, int first,
                                   int count, int flags) {
  if (cell_w <= 0 || cell_h <= 0 || first < 0 || count <= 0 || w <= 0 || h <= 0)
    return nullptr;
  const int per_row = w / cell_w;
  const int rows = h / cell_h;
  if (static_cast<int64_t>(per_row) * rows < static_cast<int64_t>(first) + count)
    return nullptr;
  auto img = std::make_unique<ImageRec>();
  img->width = cell_w;
  img->height = cell_h;
  img->frames = count;
  img->flags = ResolveFlags(flags);
  img->pixels.resize(static_cast<size_t>(cell_w) * cell_h * count);
  const bool mask = (img->flags & MASKEDIMAGE) && !has_alpha;
  for (int f = 0; f < count; ++f) {
    const int cell = first + f;
    const int cx = (cell % per_row) * cell_w;
    const int cy = (cell / per_row) * cell_h;
    uint32_t* dst = img->Frame(f);
    for (int y = 0; y < cell_h; ++y) {
      for (int x = 0; x < cell_w; ++x) {
        uint32_t p = pixels[static_cast<size_t>(cy + y) * w + cx + x];
        if (mask && (p & 0x00FFFFFFu) == 0) p = 0;
        dst[y * cell_w + x] = p;
      }
    }
  }
  return img;
}

PixmapRec* Pixmap(int handle) {
  auto it = S().pixmaps.find(handle);
  return it == S().pixmaps.end() ? nullptr : &it->second;
}

int AddPixmap(PixmapRec pixmap) {
  const int h = S().next_pixmap++;
  S().pixmaps[h] = std::move(pixmap);
  return h;
}

int LivePixmapCount() { return static_cast<int>(S().pixmaps.size()); }

void ClearImagesAndPixmaps() {
  for (auto& img : S().images)
    if (img && g_release_hook) g_release_hook(*img);
  S().images.clear();
  S().images.resize(1);
  S().live_images = 0;
  S().pixmaps.clear();
  S().auto_mid = false;
  S().state = DrawState();
}

}  // namespace gfxcore

using namespace gfxcore;

// ---- images ----------------------------------------------------------------------

int LoadAnimImageFromPixmap(int pixmap, int cell_width, int cell_height, int first_cell,
                            int cell_count, int flags) {
  PixmapRec* p = Pixmap(pixmap);
  if (!p) return 0;
  return AddImage(CutImage(p->pixels, p->width, p->height, true, cell_width, cell_height,
                           first_cell, cell_count, flags));
}

int LoadImageFromPixmap(int pixmap, int flags) {
  PixmapRec* p = Pixmap(pixmap);
  if (!p) return 0;
  return LoadAnimImageFromPixmap(pixmap, p->width, p->height, 0, 1, flags);
}

int LoadAnimImage(const std::string& path, int cell_width, int cell_height, int first_cell,
                  int cell_count, int flags) {
  int w = 0, h = 0;
  bool has_alpha = false;
  std::vector<uint32_t> px;
  if (!ReadPNG(path, w, h, px, has_alpha)) return 0;
  auto cells = CutImage(px, w, h, has_alpha, cell_width, cell_height, first_cell, cell_count, flags);
  // Too few cells is why such a picture fails, whatever else is wrong with it.
  if (!cells) loadproblem::last.clear();
  return AddImage(std::move(cells));
}

int LoadImage(const std::string& path, int flags) {
  int w = 0, h = 0;
  bool has_alpha = false;
  std::vector<uint32_t> px;
  if (!ReadPNG(path, w, h, px, has_alpha)) return 0;
  return AddImage(CutImage(px, w, h, has_alpha, w, h, 0, 1, flags));
}

int CreateImage(int width, int height, int frames, int flags) {
  if (width <= 0 || height <= 0 || frames <= 0) return 0;
  auto img = std::make_unique<ImageRec>();
  img->width = width;
  img->height = height;
  img->frames = frames;
  img->flags = ResolveFlags(flags) | DYNAMICIMAGE;
  img->pixels.assign(static_cast<size_t>(width) * height * frames, 0u);
  return AddImage(std::move(img));
}

void FreeImage(int image) {
  ImageRec* img = Image(image);
  if (!img) return;
  if (g_flush_hook) g_flush_hook();
  if (g_release_hook) g_release_hook(*img);
  S().images[static_cast<size_t>(image)].reset();
  --S().live_images;
}

void SetImageHandle(int image, float x, float y) {
  if (ImageRec* img = Image(image)) {
    img->handle_x = x;
    img->handle_y = y;
  }
}

void GetImageHandle(int image, float& x, float& y) {
  ImageRec* img = Image(image);
  x = img ? img->handle_x : 0.0f;
  y = img ? img->handle_y : 0.0f;
}

void AutoMidHandle(bool on) { S().auto_mid = on; }
bool AutoMidHandleEnabled() { return S().auto_mid; }

void MidHandleImage(int image) {
  if (ImageRec* img = Image(image)) {
    img->handle_x = img->width / 2.0f;
    img->handle_y = img->height / 2.0f;
  }
}

int ImageWidth(int image) {
  ImageRec* img = Image(image);
  return img ? img->width : 0;
}
int ImageHeight(int image) {
  ImageRec* img = Image(image);
  return img ? img->height : 0;
}
int ImageFrames(int image) {
  ImageRec* img = Image(image);
  return img ? img->frames : 0;
}
int ImageFlags(int image) {
  ImageRec* img = Image(image);
  return img ? img->flags : 0;
}

std::string LastLoadProblem() { return loadproblem::last; }

// ---- pixmaps ----------------------------------------------------------------------

int SavePixmapPNG(int pixmap, const std::string& path, int compression) {
  PixmapRec* p = Pixmap(pixmap);
  if (!p) return 0;
  return WritePNG(path, p->width, p->height, p->pixels, std::clamp(compression, 0, 9)) ? 1 : 0;
}

int LoadPixmapPNG(const std::string& path) {
  PixmapRec p;
  bool has_alpha = false;
  if (!ReadPNG(path, p.width, p.height, p.pixels, has_alpha)) return 0;
  return AddPixmap(std::move(p));
}

int CreatePixmap(int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  PixmapRec p;
  p.width = width;
  p.height = height;
  p.pixels.assign(static_cast<size_t>(width) * height, 0u);
  return AddPixmap(std::move(p));
}

void FreePixmap(int pixmap) { S().pixmaps.erase(pixmap); }

int PixmapWidth(int pixmap) {
  PixmapRec* p = Pixmap(pixmap);
  return p ? p->width : 0;
}
int PixmapHeight(int pixmap) {
  PixmapRec* p = Pixmap(pixmap);
  return p ? p->height : 0;
}

uint32_t ReadPixel(int pixmap, int x, int y) {
  PixmapRec* p = Pixmap(pixmap);
  if (!p || x < 0 || y < 0 || x >= p->width || y >= p->height) return 0;
  return p->pixels[static_cast<size_t>(y) * p->width + x];
}

void WritePixel(int pixmap, int x, int y, uint32_t argb) {
  PixmapRec* p = Pixmap(pixmap);
  if (!p || x < 0 || y < 0 || x >= p->width || y >= p->height) return;
  p->pixels[static_cast<size_t>(y) * p->width + x] = argb;
}

// ---- drawing state ---------------------------------------------------------------------

void SetClsColor(int r, int g, int b) {
  State().cls_r = std::clamp(r, 0, 255);
  State().cls_g = std::clamp(g, 0, 255);
  State().cls_b = std::clamp(b, 0, 255);
}
void GetClsColor(int& r, int& g, int& b) {
  r = State().cls_r;
  g = State().cls_g;
  b = State().cls_b;
}
void SetBlend(int mode) {
  if (mode >= MASKBLEND && mode <= SHADEBLEND) State().blend = mode;
}
int GetBlend() { return State().blend; }
void SetAlpha(float alpha) { State().alpha = alpha; }
float GetAlpha() { return State().alpha; }
void SetColor(int r, int g, int b) {
  State().r = std::clamp(r, 0, 255);
  State().g = std::clamp(g, 0, 255);
  State().b = std::clamp(b, 0, 255);
}
void GetColor(int& r, int& g, int& b) {
  r = State().r;
  g = State().g;
  b = State().b;
}
void SetScale(float sx, float sy) {
  State().sx = sx;
  State().sy = sy;
}
void GetScale(float& sx, float& sy) {
  sx = State().sx;
  sy = State().sy;
}
void SetRotation(float degrees) {
  State().rotation = degrees;
  State().cos_r = std::cos(degrees * kDegToRad);
  State().sin_r = std::sin(degrees * kDegToRad);
}
float GetRotation() { return State().rotation; }

void SetVirtualResolution(float width, float height) {
  if (!(width > 0.0f) || !(height > 0.0f)) return;
  if (g_flush_hook) g_flush_hook();
  State().virtual_w = width;
  State().virtual_h = height;
}
float VirtualWidth() { return State().virtual_w; }
float VirtualHeight() { return State().virtual_h; }
