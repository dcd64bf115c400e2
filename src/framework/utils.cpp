#include "framework/utils.h"

#include "framework/globals.h"

namespace {

// Blanks and control characters (codes 0 to 32) off both ends.
std::string TrimBlanks(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && static_cast<unsigned char>(s[a]) <= 32) ++a;
  while (b > a && static_cast<unsigned char>(s[b - 1]) <= 32) --b;
  return s.substr(a, b - a);
}

// Position (from 1) of `t` in `s` at or after `start`, 0 when absent.
size_t Find(const std::string& s, const std::string& t, size_t start) {
  if (start < 1) start = 1;
  if (start > s.size() + 1) return 0;
  size_t p = s.find(t, start - 1);
  return p == std::string::npos ? 0 : p + 1;
}

std::string UpperText(std::string s) {
  for (auto& ch : s) {
    if (ch >= 'a' && ch <= 'z') ch = static_cast<char>(ch - 32);
  }
  return s;
}

bool Inside(int32_t px, int32_t py, int32_t x, int32_t y, int32_t w, int32_t h) {
  // Widened so that rectangles near the integer limits cannot overflow.
  int64_t right = int64_t{x} + w, bottom = int64_t{y} + h;
  return x < px && y < py && px < right && py < bottom;
}

}  // namespace

int32_t Limit(int32_t value, int32_t lo, int32_t hi) {
  if (value > hi) value = hi;
  if (value < lo) value = lo;
  return value;
}

float LimitF(float value, float lo, float hi) {
  if (value > hi) value = hi;
  if (value < lo) value = lo;
  return value;
}

int32_t Mousein(int32_t x, int32_t y, int32_t w, int32_t h) { return Inside(mx, my, x, y, w, h) ? 1 : 0; }

int32_t MouseWasin(int32_t x, int32_t y, int32_t w, int32_t h) { return Inside(wx, wy, x, y, w, h) ? 1 : 0; }

std::string SplitText(const std::string& text, const std::string& sep, int32_t field, int32_t spaces) {
  const std::string t = TrimBlanks(text);
  const bool blanks = spaces == 1;
  // Without a separator there is nothing to split: the whole text is field 1.
  if (sep.empty()) return field <= 1 ? t : kMissingField;
  size_t start = 1;
  for (int32_t i = 1; i < field; ++i) {
    size_t p = Find(t, sep, start);
    if (p == 0) return kMissingField;
    size_t next = p + sep.size();
    if (blanks) {
      size_t b = Find(t, " ", start);
      if (b > 0 && b < p) next = b + 1;
    }
    start = next;
  }
  if (start > t.size()) return std::string();
  size_t p = Find(t, sep, start);
  if (p == 0) return t.substr(start - 1);
  size_t end = p;
  if (blanks) {
    size_t b = Find(t, " ", start);
    if (b > 0 && b < p) end = b;
  }
  return t.substr(start - 1, end - start);
}

std::string IniLeft(const std::string& line) { return UpperText(TrimBlanks(SplitText(line, "=", 1, 0))); }

std::string IniRight(const std::string& line) {
  std::string v = SplitText(line, "=", 2, 0);
  return TrimBlanks(v);
}

int32_t Hex2Int(const std::string& text) {
  uint32_t result = 0;
  for (unsigned char ch : text) {
    uint32_t digit = 0;
    if (ch >= '0' && ch <= '9') digit = ch - '0';
    else if (ch >= 'A' && ch <= 'F') digit = ch - 'A' + 10;
    else if (ch >= 'a' && ch <= 'f') digit = ch - 'a' + 10;
    result = result * 16u + digit;
  }
  return static_cast<int32_t>(result);
}
