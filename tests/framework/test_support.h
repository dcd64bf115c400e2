// Helpers shared by the framework tests.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/test/test_graphics.h"

// A w x h image of opaque white pixels with `frames` frames side by side.
inline int MakeTestImage(int w, int h, int frames = 1) {
  std::vector<uint32_t> px(static_cast<size_t>(w) * h * frames, 0xFFFFFFFFu);
  return testgraphics::MakeImage(w * frames, h, px, w, h, 0, frames);
}
