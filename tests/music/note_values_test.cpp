// Note keys of the rule lines and their pitch factors.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "music/generator.h"

namespace {

TEST(NoteValues, EveryKeyHasItsFactor) {
  struct Key {
    std::string key;
    float value;
  };
  const std::vector<Key> keys = {
      {"s", 0.5295f}, {"x", 0.561f}, {"d", 0.5945f}, {"c", 0.63f},  {"v", 0.6675f}, {"g", 0.707f},
      {"b", 0.749f},  {"h", 0.7935f}, {"n", 0.841f}, {"j", 0.891f}, {"m", 0.944f},  {"q", 1.0f},
      {"2", 1.059f},  {"w", 1.122f},  {"3", 1.189f}, {"e", 1.26f},  {"r", 1.335f},  {"5", 1.414f},
      {"t", 1.498f},  {"6", 1.587f},  {"y", 1.682f}, {"7", 1.782f}, {"u", 1.888f},  {"i", 2.0f},
      {"9", 2.118f},  {"o", 2.244f},  {"0", 2.378f}, {"p", 2.52f},  {"[", 2.67f},   {"=", 2.828f},
      {"]", 2.996f},
      // Upper case reads as lower case.
      {"Q", 1.0f},    {"I", 2.0f},    {"S", 0.5295f}, {"P", 2.52f},
      // Everything else is a rest, "z" included.
      {"z", 0.0f},    {"Z", 0.0f},    {" ", 0.0f},    {"", 0.0f},     {"1", 0.0f},    {"4", 0.0f},
      {"8", 0.0f},    {"a", 0.0f},    {"qq", 0.0f},   {"q ", 0.0f},   {"-", 0.0f},    {"\xe9", 0.0f},
  };
  for (const Key& k : keys) EXPECT_EQ(QRDM_NoteVal(k.key), k.value) << "\"" << k.key << "\"";
}

TEST(NoteValues, TheRowsAreExactOctavesOfEachOther) {
  const std::string top = "2w3er5t6y7u", bottom = "sxdcvgbhnjm";
  for (size_t i = 0; i < top.size(); ++i) {
    EXPECT_EQ(QRDM_NoteVal(bottom.substr(i, 1)) * 2.0f, QRDM_NoteVal(top.substr(i, 1))) << bottom[i];
  }
  const std::string low = "q2w3er5t", high = "i9o0p[=]";
  for (size_t i = 0; i < low.size(); ++i) {
    EXPECT_EQ(QRDM_NoteVal(low.substr(i, 1)) * 2.0f, QRDM_NoteVal(high.substr(i, 1))) << high[i];
  }
}

}  // namespace
