#include "platform/real/display_internal.h"

SDL_Window* DisplayWindow() { return nullptr; }
void DisplayWindowToVirtual(float wx, float wy, float& vx, float& vy) { vx = wx; vy = wy; }
void DisplayVirtualToWindow(float vx, float vy, float& wx, float& wy) { wx = vx; wy = vy; }
