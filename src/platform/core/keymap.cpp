#include "platform/core/keymap.h"

#include <array>
#include <utility>

namespace {

// Usage number, game key code. The punctuation keys follow their positions on
// a UK keyboard: the key left of 1 is "`", the key beside Return "#", the
// extra key beside the left Shift the second backslash.
constexpr std::pair<int, int> kFixed[] = {
    {40, 13},   // Return
    {41, 27},   // Escape
    {42, 8},    // Backspace
    {43, 9},    // Tab
    {44, 32},   // Space
    {45, 189},  // -
    {46, 187},  // =
    {47, 219},  // [
    {48, 221},  // ]
    {49, 220},  // backslash
    {50, 222},  // #
    {51, 186},  // ;
    {52, 192},  // '
    {53, 223},  // `
    {54, 188},  // ,
    {55, 190},  // .
    {56, 191},  // /
    {57, 20},   // CapsLock
    {70, 44},   // Print Screen
    {71, 145},  // ScrollLock
    {72, 19},   // Pause
    {73, 45},   // Insert
    {74, 36},   // Home
    {75, 33},   // Page Up
    {76, 46},   // Delete
    {77, 35},   // End
    {78, 34},   // Page Down
    {79, 39},   // Right
    {80, 37},   // Left
    {81, 40},   // Down
    {82, 38},   // Up
    {83, 144},  // NumLock
    {84, 111},  // keypad /
    {85, 106},  // keypad *
    {86, 109},  // keypad -
    {87, 107},  // keypad +
    {88, 13},   // keypad Enter
    {98, 96},   // keypad 0
    {99, 110},  // keypad .
    {100, 226}, // backslash beside the left Shift
    {101, 93},  // menu key
    {116, 43},  // Execute
    {117, 47},  // Help
    {118, 93},  // Menu
    {119, 41},  // Select
    {127, 173}, // Mute
    {128, 175}, // Volume Up
    {129, 174}, // Volume Down
    {156, 12},  // Clear
    {224, 162}, // left Control
    {225, 160}, // left Shift
    {226, 164}, // left Alt
    {227, 91},  // left system key
    {228, 163}, // right Control
    {229, 161}, // right Shift
    {230, 165}, // right Alt
    {231, 92},  // right system key
    {262, 173}, // media Mute
};

constexpr int kTableSize = 300;

std::array<short, kTableSize> Build() {
  std::array<short, kTableSize> t{};
  for (int i = 0; i < 26; ++i) t[4 + i] = static_cast<short>(65 + i);     // A..Z
  for (int i = 0; i < 9; ++i) t[30 + i] = static_cast<short>(49 + i);     // 1..9
  t[39] = 48;                                                              // 0
  for (int i = 0; i < 12; ++i) t[58 + i] = static_cast<short>(112 + i);   // F1..F12
  for (int i = 0; i < 9; ++i) t[89 + i] = static_cast<short>(97 + i);     // keypad 1..9
  for (int i = 0; i < 12; ++i) t[104 + i] = static_cast<short>(124 + i);  // F13..F24
  for (auto [usage, code] : kFixed) t[usage] = static_cast<short>(code);
  return t;
}

}  // namespace

int KeyCodeFromScancode(int scancode) {
  static const std::array<short, kTableSize> table = Build();
  if (scancode < 0 || scancode >= kTableSize) return 0;
  return table[scancode];
}
