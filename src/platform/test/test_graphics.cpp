#include "platform/test/test_graphics.h"

#include <algorithm>
#include <array>
#include <string>

#include "platform/core/gfx_core.h"
#include "platform/graphics.h"
#include "platform/runtime.h"
#include "platform/test/test_backend.h"

namespace testgraphics {
namespace {

std::vector<Mode> DefaultModes() {
  std::vector<Mode> modes;
  const int sizes[][2] = {{640, 480},   {800, 600},   {1024, 768}, {1280, 720},
                          {1280, 960},  {1280, 1024}, {1440, 900}, {1600, 900},
                          {1680, 1050}, {1920, 1080}};
  for (const auto& s : sizes)
    for (int depth : {16, 32}) modes.push_back({s[0], s[1], depth, 60});
  return modes;
}

constexpr size_t kOps = static_cast<size_t>(Op::GrabPixmap) + 1;

struct Display {
  std::vector<DrawRecord> draws;
  // Which operations are recorded in full, and how many of each were drawn.
  std::array<bool, kOps> kept = [] {
    std::array<bool, kOps> all{};
    all.fill(true);
    return all;
  }();
  std::array<int64_t, kOps> counts{};
  int64_t unsubmitted = 0;  // draws since the last SubmitDraws
  int draw_cost_us = 0;
  int64_t cost_carry_us = 0;
  std::vector<Mode> modes = DefaultModes();
  std::function<bool(int, int, int)> refuse;
  std::string error;  // why the last Graphics call opened nothing
  bool open = false;
  int width = 0, height = 0, depth = 0, hertz = 0, flags = 0;
  std::string title;
  int graphics_calls = 0;
  int end_calls = 0;
  int flips = 0;
  int submits = 0;
  int32_t submit_clock = 0;
  size_t submit_draws = 0;
  int last_sync = 0;
  int driver = 0;
  int default_flags = 0;
  int screen_w = 0, screen_h = 0;
  std::vector<uint32_t> screen;
};

void ResetDisplay();

Display& D() {
  static Display d;
  static const bool hooked = [] {
    testbackend::AddResetHook(ResetDisplay);
    return true;
  }();
  (void)hooked;
  return d;
}

void ResetDisplay() {
  D() = Display();
  gfxcore::ClearAll();
}

// Registered at start-up so that testbackend::Reset clears this double even
// before the first drawing call.
const bool kRegistered = (D(), true);

// Counts a draw of `op`; true when it is to be recorded.
bool Counted(Op op) {
  auto& d = D();
  ++d.counts[static_cast<size_t>(op)];
  ++d.unsubmitted;
  return d.kept[static_cast<size_t>(op)];
}

void Keep(DrawRecord&& r) {
  auto& d = D().draws;
  if (d.size() >= kKeptDraws) d.erase(d.begin(), d.begin() + static_cast<ptrdiff_t>(d.size() / 2));
  d.push_back(std::move(r));
}

DrawRecord Record(Op op) {
  const gfxcore::DrawState& s = gfxcore::State();
  DrawRecord r;
  r.op = op;
  r.scale_x = s.sx;
  r.scale_y = s.sy;
  r.rotation = s.rotation;
  r.r = s.r;
  r.g = s.g;
  r.b = s.b;
  r.alpha = s.alpha;
  r.blend = s.blend;
  r.font = s.font;
  r.flip = D().flips;
  return r;
}

// Reads the screen for a grab: the scripted screen's pixels, and the clear
// colour where it holds none. Made once per grab, since a whole-screen grab
// reads a million pixels.
class ScreenReader {
 public:
  ScreenReader() : d_(D()) {
    const gfxcore::DrawState& s = gfxcore::State();
    clear_ = 0xFF000000u | (static_cast<uint32_t>(s.cls_r) << 16) | (static_cast<uint32_t>(s.cls_g) << 8) |
             static_cast<uint32_t>(s.cls_b);
  }
  // `width` pixels of row `y` from column `x` into `out`.
  void Row(int x, int y, int width, uint32_t* out) const {
    const bool row_inside = y >= 0 && y < d_.screen_h;
    for (int i = 0; i < width; ++i) {
      const int px = x + i;
      out[i] = row_inside && px >= 0 && px < d_.screen_w ? d_.screen[static_cast<size_t>(y) * d_.screen_w + px]
                                                         : clear_;
    }
  }

 private:
  const Display& d_;
  uint32_t clear_ = 0;
};

bool TryOpen(int w, int h, int depth) {
  if (w <= 0 || h <= 0) return false;
  if (D().refuse && D().refuse(w, h, depth)) return false;
  if (depth != 0 && !GraphicsModeExists(w, h, depth, 0)) return false;
  return true;
}

}  // namespace

const std::vector<DrawRecord>& Draws() { return D().draws; }
void ClearDraws() { D().draws.clear(); }
void KeepOnly(std::vector<Op> ops) {
  auto& kept = D().kept;
  kept.fill(ops.empty());
  for (Op op : ops) kept[static_cast<size_t>(op)] = true;
}
int64_t DrawCount(Op op) { return D().counts[static_cast<size_t>(op)]; }
void SetDrawCost(int microseconds) {
  D().draw_cost_us = std::max(0, microseconds);
  D().cost_carry_us = 0;
}
std::vector<DrawRecord> DrawsOf(Op op) {
  std::vector<DrawRecord> out;
  for (const auto& r : D().draws)
    if (r.op == op) out.push_back(r);
  return out;
}

void SetModes(std::vector<Mode> modes) { D().modes = std::move(modes); }
void SetDisplayRefusal(std::function<bool(int, int, int)> refuse) {
  D().refuse = std::move(refuse);
}

bool DisplayOpen() { return D().open; }
int DisplayWidth() { return D().width; }
int DisplayHeight() { return D().height; }
int DisplayDepth() { return D().depth; }
int DisplayHertz() { return D().hertz; }
int DisplayFlags() { return D().flags; }
std::string DisplayTitle() { return D().title; }
int GraphicsCalls() { return D().graphics_calls; }
int EndGraphicsCalls() { return D().end_calls; }
int FlipCount() { return D().flips; }
int LastFlipSync() { return D().last_sync; }
int SubmitCount() { return D().submits; }
int32_t LastSubmitClock() { return D().submit_clock; }
size_t LastSubmitDraws() { return D().submit_draws; }
int SelectedDriver() { return D().driver; }
int DriverDefaultFlags() { return D().default_flags; }

void SetScreenPixels(int width, int height, std::vector<uint32_t> argb) {
  argb.resize(static_cast<size_t>(std::max(0, width)) * std::max(0, height));
  D().screen_w = std::max(0, width);
  D().screen_h = std::max(0, height);
  D().screen = std::move(argb);
}

int MakeImage(int width, int height, const std::vector<uint32_t>& argb, int cell_w, int cell_h,
              int first, int count, int flags, bool has_alpha) {
  if (width <= 0 || height <= 0 || argb.size() < static_cast<size_t>(width) * height) return 0;
  if (cell_w <= 0) cell_w = width;
  if (cell_h <= 0) cell_h = height;
  return gfxcore::AddImage(
      gfxcore::CutImage(argb, width, height, has_alpha, cell_w, cell_h, first, count, flags));
}

int LiveImages() { return gfxcore::LiveImageCount(); }
int LiveFonts() { return gfxcore::LiveFontCount(); }
int LivePixmaps() { return gfxcore::LivePixmapCount(); }

}  // namespace testgraphics

using testgraphics::D;
using testgraphics::Op;

// ---- display ----------------------------------------------------------------------

int GL2DDriver() { return 1; }

void SetGraphicsDriver(int driver, int default_flags) {
  D().driver = driver;
  D().default_flags = default_flags;
}

int Graphics(int width, int height, int depth, int hertz, int flags) {
  ++D().graphics_calls;
  if (D().open) EndGraphics();
  int w = width, h = height, dp = depth;
  if (!testgraphics::TryOpen(w, h, dp)) {
    dp = 0;
    if (!testgraphics::TryOpen(w, h, 0)) {
      w = 800;
      h = 600;
      if (!testgraphics::TryOpen(w, h, 0)) {
        D().error = "the test display refused " + std::to_string(w) + "x" + std::to_string(h);
        return 0;
      }
    }
  }
  auto& d = D();
  d.error.clear();
  d.open = true;
  d.width = w;
  d.height = h;
  d.depth = dp;
  d.hertz = hertz;
  d.flags = flags | d.default_flags;
  d.title = AppTitle;
  gfxcore::ResetDrawState(static_cast<float>(w), static_cast<float>(h));
  return 1;
}

std::string GraphicsError() { return D().error; }

void EndGraphics() {
  if (!D().open) return;
  ++D().end_calls;
  D().open = false;
  D().width = D().height = D().depth = D().hertz = 0;
  D().title.clear();
}

int GraphicsWidth() { return D().width; }
int GraphicsHeight() { return D().height; }
int GraphicsDepth() { return D().depth; }

void SubmitDraws() {
  auto& d = D();
  const int64_t cost = d.unsubmitted * d.draw_cost_us + d.cost_carry_us;
  d.unsubmitted = 0;
  d.cost_carry_us = cost % 1000;
  if (cost >= 1000) testbackend::AdvanceClock(static_cast<int32_t>(std::min<int64_t>(cost / 1000, 1000000)));
  ++D().submits;
  D().submit_clock = testbackend::Clock();
  D().submit_draws = D().draws.size();
}

void Flip(int sync) {
  ++D().flips;
  D().last_sync = sync;
  testbackend::EndFrame();
}

int CountGraphicsModes() { return static_cast<int>(std::min<size_t>(D().modes.size(), 2499)); }

void GetGraphicsMode(int index, int& width, int& height, int& depth, int& hertz) {
  width = height = depth = hertz = 0;
  if (index < 0 || index >= CountGraphicsModes()) return;
  const auto& m = D().modes[static_cast<size_t>(index)];
  width = m.width;
  height = m.height;
  depth = m.depth;
  hertz = m.hertz;
}

bool GraphicsModeExists(int width, int height, int depth, int hertz) {
  const int n = CountGraphicsModes();
  for (int i = 0; i < n; ++i) {
    const auto& m = D().modes[static_cast<size_t>(i)];
    if (m.width == width && m.height == height && (depth == 0 || m.depth == depth) &&
        (hertz == 0 || m.hertz == hertz))
      return true;
  }
  return false;
}

// ---- drawing ------------------------------------------------------------------------

void Cls() {
  if (testgraphics::Counted(Op::Cls)) testgraphics::Keep(testgraphics::Record(Op::Cls));
}

void DrawImage(int image, float x, float y, int frame) {
  const gfxcore::ImageRec* img = gfxcore::Image(image);
  if (!img || !img->HasFrame(frame)) return;
  if (!testgraphics::Counted(Op::Image)) return;
  auto r = testgraphics::Record(Op::Image);
  r.image = image;
  r.frame = frame;
  r.x = x;
  r.y = y;
  r.w = static_cast<float>(img->width);
  r.h = static_cast<float>(img->height);
  testgraphics::Keep(std::move(r));
}

void DrawRect(float x, float y, float width, float height) {
  if (!testgraphics::Counted(Op::Rect)) return;
  auto r = testgraphics::Record(Op::Rect);
  r.x = x;
  r.y = y;
  r.w = width;
  r.h = height;
  testgraphics::Keep(std::move(r));
}

void DrawLine(float x1, float y1, float x2, float y2) {
  if (!testgraphics::Counted(Op::Line)) return;
  auto r = testgraphics::Record(Op::Line);
  r.x = x1;
  r.y = y1;
  r.w = x2;
  r.h = y2;
  testgraphics::Keep(std::move(r));
}

void DrawText(const std::string& text, float x, float y) {
  if (!testgraphics::Counted(Op::Text)) return;
  auto r = testgraphics::Record(Op::Text);
  r.x = x;
  r.y = y;
  r.text = text;
  r.w = static_cast<float>(TextWidth(text));
  r.h = static_cast<float>(TextHeight(text));
  testgraphics::Keep(std::move(r));
}

void GrabImage(int image, int x, int y, int frame) {
  gfxcore::ImageRec* img = gfxcore::Image(image);
  if (!img || !img->HasFrame(frame)) return;
  uint32_t* dst = img->Frame(frame);
  const testgraphics::ScreenReader screen;
  for (int j = 0; j < img->height; ++j) screen.Row(x, y + j, img->width, dst + static_cast<size_t>(j) * img->width);
  img->dirty = true;
  if (!testgraphics::Counted(Op::GrabImage)) return;
  auto r = testgraphics::Record(Op::GrabImage);
  r.image = image;
  r.frame = frame;
  r.x = static_cast<float>(x);
  r.y = static_cast<float>(y);
  testgraphics::Keep(std::move(r));
}

int GrabPixmap(int x, int y, int width, int height) {
  if (width <= 0 || height <= 0) return 0;
  gfxcore::PixmapRec p;
  p.width = width;
  p.height = height;
  p.pixels.resize(static_cast<size_t>(width) * height);
  const testgraphics::ScreenReader screen;
  for (int j = 0; j < height; ++j) screen.Row(x, y + j, width, p.pixels.data() + static_cast<size_t>(j) * width);
  if (testgraphics::Counted(Op::GrabPixmap)) {
    auto r = testgraphics::Record(Op::GrabPixmap);
    r.x = static_cast<float>(x);
    r.y = static_cast<float>(y);
    r.w = static_cast<float>(width);
    r.h = static_cast<float>(height);
    testgraphics::Keep(std::move(r));
  }
  return gfxcore::AddPixmap(std::move(p));
}
