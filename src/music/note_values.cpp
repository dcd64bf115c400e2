// Note keys of the rule lines: the letter rows of a computer keyboard read as a
// piano keyboard, one key a semitone, "q" the sample's own pitch.
#include "music/generator.h"
#include "platform/runtime.h"

namespace {

struct NoteKey {
  const char* key;
  float value;
};

// The octave from "q" is rounded to four digits; the row below is exactly half
// of it and the keys above "u" exactly twice it. "z" is not a note.
constexpr NoteKey kNotes[] = {
    {"s", 0.5295f}, {"x", 0.561f}, {"d", 0.5945f}, {"c", 0.63f},  {"v", 0.6675f}, {"g", 0.707f},
    {"b", 0.749f},  {"h", 0.7935f}, {"n", 0.841f}, {"j", 0.891f}, {"m", 0.944f},  {"q", 1.0f},
    {"2", 1.059f},  {"w", 1.122f},  {"3", 1.189f}, {"e", 1.26f},  {"r", 1.335f},  {"5", 1.414f},
    {"t", 1.498f},  {"6", 1.587f},  {"y", 1.682f}, {"7", 1.782f}, {"u", 1.888f},  {"i", 2.0f},
    {"9", 2.118f},  {"o", 2.244f},  {"0", 2.378f}, {"p", 2.52f},  {"[", 2.67f},   {"=", 2.828f},
    {"]", 2.996f},
};

}  // namespace

float QRDM_NoteVal(const std::string& letter) {
  const std::string key = Lower(letter);
  for (const NoteKey& n : kNotes) {
    if (key == n.key) return n.value;
  }
  return 0.0f;
}
