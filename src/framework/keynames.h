// Display names of input codes, for binding buttons and prompts.
#pragma once

#include <cstdint>
#include <string>

// Keyboard codes by the fixed key table; every other code by its joystick
// part (code mod 50) alone, the stick number not shown.
std::string KeyName(int32_t code);
