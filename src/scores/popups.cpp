#include "scores/popups.h"

#include <memory>
#include <string>

#include "framework/draw.h"
#include "platform/graphics.h"
#include "startup/globals.h"

int32_t Mybadges = 0;

int32_t DrawScores() {
  SetImageFont(Font[3]);
  ResetDraw();
  for (const std::shared_ptr<ore>& p : scoreget) {
    p->t -= 1;
    p->y -= 0.25f;
    SetCol(static_cast<float>(p->r), static_cast<float>(p->g), static_cast<float>(p->b),
           static_cast<float>(p->t) / 120.0f);
    Text(static_cast<int32_t>(p->x), static_cast<int32_t>(p->y), std::to_string(p->n), 1, 1);
    if (p->t <= 0) ListRemove(scoreget, p);
  }
  return 0;
}

int32_t SetFlag(int32_t flags, int32_t n, int32_t value) {
  const uint32_t shift = static_cast<uint32_t>(n - 1) & 31u;
  uint32_t f = static_cast<uint32_t>(flags);
  f &= ~(1u << shift);
  f &= ~(3u << 30);
  f += static_cast<uint32_t>(value) << shift;
  return static_cast<int32_t>(f);
}
