#include "scores/popups.h"

#include <memory>
#include <string>

#include "framework/draw.h"
#include "game/game_state.h"
#include "platform/graphics.h"
#include "platform/list.h"
#include "platform/runtime.h"
#include "startup/globals.h"

namespace {
constexpr int32_t kPopupFrames = 120;
}

void Gimme(int32_t points, int32_t x, int32_t y, int32_t r, int32_t g, int32_t b) {
  score = static_cast<int32_t>(static_cast<uint32_t>(score) + static_cast<uint32_t>(points));
  auto p = std::make_shared<ore>();
  p->n = points;
  p->x = static_cast<float>(x);
  p->y = static_cast<float>(y);
  p->t = kPopupFrames;
  p->r = r;
  p->g = g;
  p->b = b;
  ListAddLast(scoreget, p);
}

int32_t DrawScores() {
  SetImageFont(Font[3]);
  ResetDraw();
  for (const std::shared_ptr<ore>& p : scoreget) {
    p->t -= 1;
    p->y -= 0.25f;
    SetCol(static_cast<float>(p->r), static_cast<float>(p->g), static_cast<float>(p->b),
           static_cast<float>(p->t) / static_cast<float>(kPopupFrames));
    Text(static_cast<int32_t>(p->x), static_cast<int32_t>(p->y), Str(p->n), 1, 1);
    // A walk over the list survives the removal of the popup it stands on.
    if (p->t <= 0) ListRemove(scoreget, p);
  }
  return 0;
}
