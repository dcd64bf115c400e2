// Pixel-exact touch test between two placed image frames. Both frames are
// sampled on the integer pixel grid of the virtual screen, each pixel taking
// the texel under its centre, so the answer matches what the player sees.
#include <algorithm>
#include <cmath>

#include "platform/core/gfx_core.h"
#include "platform/graphics.h"

namespace {

using gfxcore::DrawState;
using gfxcore::ImageRec;

struct Placed {
  const ImageRec* img;
  int frame;
  float x, y;
  // Screen offset to frame pixel: u = a * dx + b * dy + hx, v = c * dx + d * dy + hy.
  float a, b, c, d;
  float min_x, min_y, max_x, max_y;

  // True when the pixel whose centre is (cx, cy) lies on a solid texel of the frame.
  bool Solid(float cx, float cy) const {
    const float dx = cx - x;
    const float dy = cy - y;
    const float u = a * dx + b * dy + img->handle_x;
    const float v = c * dx + d * dy + img->handle_y;
    if (!(u >= 0.0f && v >= 0.0f && u < img->width && v < img->height)) return false;
    const int tx = std::min(static_cast<int>(u), img->width - 1);
    const int ty = std::min(static_cast<int>(v), img->height - 1);
    return img->SolidAt(frame, tx, ty);
  }
};

bool Place(const DrawState& s, int handle, int x, int y, int frame, Placed& out) {
  const ImageRec* img = gfxcore::Image(handle);
  if (!img || !img->HasFrame(frame)) return false;
  if (s.sx == 0.0f || s.sy == 0.0f || !std::isfinite(s.sx) || !std::isfinite(s.sy))
    return false;
  out.img = img;
  out.frame = frame;
  out.x = static_cast<float>(x);
  out.y = static_cast<float>(y);
  // Inverse of: screen = R * (S * local); local = S^-1 * R^T * screen.
  out.a = s.cos_r / s.sx;
  out.b = s.sin_r / s.sx;
  out.c = -s.sin_r / s.sy;
  out.d = s.cos_r / s.sy;
  float qx[4], qy[4];
  gfxcore::PlaceQuad(s, out.x, out.y, img->handle_x, img->handle_y,
                     static_cast<float>(img->width), static_cast<float>(img->height), qx, qy);
  out.min_x = *std::min_element(qx, qx + 4);
  out.max_x = *std::max_element(qx, qx + 4);
  out.min_y = *std::min_element(qy, qy + 4);
  out.max_y = *std::max_element(qy, qy + 4);
  return true;
}

}  // namespace

int ImagesCollide(int image1, int x1, int y1, int frame1, int image2, int x2, int y2,
                  int frame2) {
  const DrawState& s = gfxcore::State();
  Placed p1{}, p2{};
  if (!Place(s, image1, x1, y1, frame1, p1) || !Place(s, image2, x2, y2, frame2, p2)) return 0;
  // Only pixel centres inside both bounding boxes can be solid in both.
  const float lo_x = std::max(p1.min_x, p2.min_x);
  const float hi_x = std::min(p1.max_x, p2.max_x);
  const float lo_y = std::max(p1.min_y, p2.min_y);
  const float hi_y = std::min(p1.max_y, p2.max_y);
  if (!(lo_x < hi_x && lo_y < hi_y)) return 0;
  const int px0 = static_cast<int>(std::floor(lo_x - 0.5f));
  const int px1 = static_cast<int>(std::ceil(hi_x - 0.5f));
  const int py0 = static_cast<int>(std::floor(lo_y - 0.5f));
  const int py1 = static_cast<int>(std::ceil(hi_y - 0.5f));
  for (int py = py0; py <= py1; ++py) {
    const float cy = py + 0.5f;
    for (int px = px0; px <= px1; ++px) {
      const float cx = px + 0.5f;
      if (p1.Solid(cx, cy) && p2.Solid(cx, cy)) return 1;
    }
  }
  return 0;
}
