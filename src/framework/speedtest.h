// The engine speed test: how many sprites this machine draws a frame while
// holding the target frame rate; sets the draw budgets, UseFPS and, on a slow
// machine, frame skip.
#pragma once

#include <cstdint>

int32_t AimFor(int32_t target, int32_t scale);
