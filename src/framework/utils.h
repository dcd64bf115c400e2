// Small text and number helpers every screen shares: clamps, pointer hit
// tests, the field splitter of the delimited lines the game reads, the two
// halves of a "KEY = value" line and a hexadecimal reader.
#pragma once

#include <cstdint>
#include <string>

int32_t Limit(int32_t value, int32_t lo, int32_t hi);
float LimitF(float value, float lo, float hi);

// 1 when the pointer of this frame (mx, my) lies strictly inside the
// rectangle; a pointer on an edge is outside.
int32_t Mousein(int32_t x, int32_t y, int32_t w, int32_t h);
// The same test for the pointer of the frame before (wx, wy).
int32_t MouseWasin(int32_t x, int32_t y, int32_t w, int32_t h);

// The marker SplitText answers for a field the text does not have.
inline const std::string kMissingField = "-+-";

// Field `field` (first = 1) of the trimmed text split at `sep`. Fields keep
// their own blanks. With `spaces` 1 a blank also ends a field while a
// separator still follows. A missing field gives "-+-".
std::string SplitText(const std::string& text, const std::string& sep, int32_t field, int32_t spaces = 0);

// Key of a "KEY = value" line, trimmed and upper-cased.
std::string IniLeft(const std::string& line);
// Value of a "KEY = value" line (up to a second "="), trimmed; "-+-" without "=".
std::string IniRight(const std::string& line);

// Hexadecimal digits 0-9, A-F and a-f; any other character counts as 0 and
// still shifts. Wraps at 32 bits, so only the last eight characters count.
int32_t Hex2Int(const std::string& text);
