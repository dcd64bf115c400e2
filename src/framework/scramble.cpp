#include "framework/scramble.h"

#include <cstddef>

namespace {

unsigned char At(const std::string& s, size_t pos) { return static_cast<unsigned char>(s[pos - 1]); }

// One scramble step at position n (from 1), on the text as earlier steps left it.
void Step(std::string& s, size_t n) {
  const size_t len = s.size();
  unsigned char c = At(s, n);
  size_t k = At(s, ((n + 1) % len) + 1);
  size_t partner = ((n + k) % len) + 1;
  if (partner == n) partner = ((n + k + 1) % len) + 1;
  s[n - 1] = static_cast<char>(c ^ At(s, partner));
}

char CountLetter(int count) { return static_cast<char>(count <= 26 ? count + 64 : count + 70); }

}  // namespace

std::string XorEncrypt(const std::string& text) {
  std::string s = text;
  if (s.size() < 2) return s;
  for (size_t n = 1; n <= s.size(); ++n) Step(s, n);
  return s;
}

std::string XorDecrypt(const std::string& text) {
  std::string s = text;
  if (s.size() < 2) return s;
  for (size_t n = s.size(); n >= 1; --n) Step(s, n);
  return s;
}

std::string QRDrunch(const std::string& text) {
  std::string out;
  if (text.empty()) return out;
  char run = text[0];
  int count = 1;
  int pairs = 0;
  auto emit = [&](int c, char ch) {
    out += CountLetter(c);
    out += ch;
  };
  for (size_t i = 1; i < text.size(); ++i) {
    bool emitted = false;
    if (text[i] == run) {
      if (count + 1 > 52) {
        emit(52, run);
        count = 1;
        emitted = true;
      } else {
        ++count;
      }
    } else {
      emit(count, run);
      run = text[i];
      count = 1;
      emitted = true;
    }
    if (emitted && ++pairs == 10) {
      out += ' ';
      pairs = 0;
    }
  }
  emit(count, run);
  return out;
}

std::string QuRDrunch(const std::string& packed) {
  std::string out;
  for (size_t i = 0; i < packed.size(); ++i) {
    int code = static_cast<unsigned char>(packed[i]);
    if (code < 65 || code > 122) continue;
    int count = code <= 90 ? code - 64 : code - 70;
    if (i + 1 < packed.size()) out.append(static_cast<size_t>(count), packed[i + 1]);
    ++i;
  }
  return out;
}
