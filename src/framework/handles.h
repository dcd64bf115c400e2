// Every display opening loads the assets again. Putting a freshly loaded object
// into its handle gives back what the handle held before, so that memory does
// not grow with each change of display.
#pragma once

#include <cstdint>

#include "platform/audio.h"
#include "platform/graphics.h"

inline void TakeHandle(int32_t& held, int32_t fresh, void (*release)(int)) {
  if (held != 0 && held != fresh) release(held);
  held = fresh;
}
inline void TakeImage(int32_t& held, int32_t fresh) { TakeHandle(held, fresh, [](int h) { FreeImage(h); }); }
inline void TakeFont(int32_t& held, int32_t fresh) { TakeHandle(held, fresh, [](int h) { FreeImageFont(h); }); }
inline void TakeSound(int32_t& held, int32_t fresh) { TakeHandle(held, fresh, [](int h) { FreeSound(h); }); }
