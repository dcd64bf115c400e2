#include <gtest/gtest.h>

#include <string>

#include "framework/globals.h"
#include "framework/scramble.h"
#include "framework/utils.h"

namespace {

TEST(Clamps, LimitAndLimitF) {
  struct Case {
    int32_t v, lo, hi, want;
  };
  for (const Case& c : {Case{5, 0, 10, 5}, Case{-3, 0, 10, 0}, Case{12, 0, 10, 10}, Case{5, 10, 0, 10},
                        Case{10, 0, 10, 10}, Case{0, 0, 10, 0}}) {
    EXPECT_EQ(Limit(c.v, c.lo, c.hi), c.want) << c.v << " in " << c.lo << ".." << c.hi;
  }
  EXPECT_EQ(LimitF(300.0f, 0.0f, 255.0f), 255.0f);
  EXPECT_EQ(LimitF(0.5f, 0.0f, 1.0f), 0.5f);
  EXPECT_EQ(LimitF(-2.0f, 0.0f, 1.0f), 0.0f);
  EXPECT_EQ(LimitF(5.0f, 3.0f, 1.0f), 3.0f);
}

TEST(PointerTests, MouseinIsStrictlyInsideTheEdges) {
  struct Case {
    int32_t px, py, want;
  };
  for (const Case& c : {Case{11, 21, 1}, Case{39, 59, 1}, Case{25, 40, 1}, Case{10, 40, 0}, Case{40, 40, 0},
                        Case{25, 20, 0}, Case{25, 60, 0}, Case{9, 40, 0}, Case{25, 61, 0}}) {
    mx = c.px;
    my = c.py;
    wx = c.px;
    wy = c.py;
    EXPECT_EQ(Mousein(10, 20, 30, 40), c.want) << c.px << "," << c.py;
    EXPECT_EQ(MouseWasin(10, 20, 30, 40), c.want) << c.px << "," << c.py;
  }
  // A rectangle one pixel wide holds no pointer position.
  for (int32_t px = 8; px <= 13; ++px) {
    mx = px;
    my = 30;
    EXPECT_EQ(Mousein(10, 20, 1, 40), 0);
  }
  // The two tests read different frames.
  mx = 15, my = 25, wx = 0, wy = 0;
  EXPECT_EQ(Mousein(10, 20, 30, 40), 1);
  EXPECT_EQ(MouseWasin(10, 20, 30, 40), 0);
}

TEST(SplitText, FieldsTable) {
  struct Case {
    std::string text, sep;
    int32_t field, spaces;
    std::string want;
  };
  const Case cases[] = {
      {"a,b,c", ",", 1, 0, "a"},
      {"a,b,c", ",", 2, 0, "b"},
      {"a,b,c", ",", 3, 0, "c"},
      {"a,b,c", ",", 4, 0, "-+-"},
      {"abc", ",", 1, 0, "abc"},
      {"abc", ",", 2, 0, "-+-"},
      {"abc", ",", 7, 0, "-+-"},
      {"a,,b", ",", 2, 0, ""},
      {"a,,b", ",", 3, 0, "b"},
      {",a", ",", 1, 0, ""},
      {",a", ",", 2, 0, "a"},
      {"a,", ",", 2, 0, ""},
      {"a,", ",", 3, 0, "-+-"},
      {"", ",", 1, 0, ""},
      {"", ",", 2, 0, "-+-"},
      {"a,b", ",", 0, 0, "a"},
      {"a,b", ",", -5, 0, "a"},
      {"  x = 1 ", "=", 1, 0, "x "},
      {"  x = 1 ", "=", 2, 0, " 1"},
      {"a b c,d", ",", 1, 1, "a"},
      {"a b c,d", ",", 2, 1, "b"},
      {"a b c,d", ",", 3, 1, "c"},
      {"a b c,d", ",", 4, 1, "d"},
      {"a b c,d", ",", 5, 1, "-+-"},
      {"a b,c d", ",", 3, 1, "c d"},
      {"a ,b", ",", 1, 1, "a"},
      {"a ,b", ",", 2, 1, ""},
      {"a ,b", ",", 3, 1, "b"},
      {"a b", ",", 1, 1, "a b"},
      {"a b", ",", 2, 1, "-+-"},
      // Only the value 1 switches the blanks on.
      {"a b,c", ",", 1, 2, "a b"},
      {"1|Name|3", "|", 2, 0, "Name"},
      // Control characters at the ends go with the trim.
      {"\t a,b\r", ",", 2, 0, "b"},
      // A longer separator is skipped whole.
      {"a::b", "::", 2, 0, "b"},
      // Without a separator there is one field.
      {"a,b", "", 1, 0, "a,b"},
      {"a,b", "", 2, 0, "-+-"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SplitText(c.text, c.sep, c.field, c.spaces), c.want)
        << "'" << c.text << "' sep '" << c.sep << "' field " << c.field << " spaces " << c.spaces;
  }
}

TEST(IniHalves, KeyAndValue) {
  struct Case {
    std::string line, key, value;
  };
  for (const Case& c : {Case{"  Width = 800 ", "WIDTH", "800"}, Case{"a=b=c", "A", "b"}, Case{"=5", "", "5"},
                        Case{"[Audio]", "[AUDIO]", "-+-"}, Case{"Key=10,38", "KEY", "10,38"}}) {
    EXPECT_EQ(IniLeft(c.line), c.key) << c.line;
    EXPECT_EQ(IniRight(c.line), c.value) << c.line;
  }
}

TEST(Hex2Int, DigitsTable) {
  struct Case {
    std::string text;
    int32_t want;
  };
  const Case cases[] = {
      {"1F", 31},         {"FF", 255},        {"ff", 255},      {"7f", 127},  {"0x1F", 31},  {"-1", 1},
      {"G", 0},           {"", 0},            {"FFFFFFFF", -1}, {"80000000", INT32_MIN},   {"100000001", 1},
      {"aBcD", 0xABCD},   {"12 4", 0x1204},
  };
  for (const Case& c : cases) EXPECT_EQ(Hex2Int(c.text), c.want) << "'" << c.text << "'";
}

TEST(Packing, QRDrunchTable) {
  const std::string az = "abcdefghijklmnopqrstu";
  struct Case {
    std::string text, packed;
  };
  const Case cases[] = {
      {"aaab", "CaAb"},
      {"x", "Ax"},
      {std::string(52, 'a'), "za"},
      {std::string(53, 'a'), "zaAa"},
      {std::string(105, 'a'), "zazaAa"},
      {az.substr(0, 10), "AaAbAcAdAeAfAgAhAiAj"},
      {az.substr(0, 11), "AaAbAcAdAeAfAgAhAiAj Ak"},
      {az, "AaAbAcAdAeAfAgAhAiAj AkAlAmAnAoApAqArAsAt Au"},
      {"AAAzz", "CABz"},
      {"a b", "AaA Ab"},
      {"", ""},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(QRDrunch(c.text), c.packed) << c.text;
    EXPECT_EQ(QuRDrunch(c.packed), c.text) << c.packed;
  }
  EXPECT_EQ(QuRDrunch("12345"), "");
  EXPECT_EQ(QuRDrunch("[x"), std::string(21, 'x'));
  EXPECT_EQ(QuRDrunch("C"), "");
  EXPECT_EQ(QuRDrunch("aZ"), std::string(27, 'Z'));
}

TEST(Scramble, XorTable) {
  EXPECT_EQ(XorEncrypt("qz"), std::string({char(11), char(113)}));
  EXPECT_EQ(XorDecrypt(std::string({char(11), char(113)})), "qz");
  EXPECT_EQ(XorEncrypt("aaaa"), std::string({char(0), char(0), char(0), 'a'}));
  EXPECT_EQ(XorEncrypt(""), "");
  EXPECT_EQ(XorDecrypt(""), "");
  EXPECT_EQ(XorEncrypt("x"), "x");
  for (const std::string text : {"ab", "Hello, world!", "Setup.ini", "zzzzzzzzzz", "The quick brown fox"}) {
    const std::string scrambled = XorEncrypt(text);
    EXPECT_EQ(scrambled.size(), std::string(text).size());
    EXPECT_EQ(XorDecrypt(scrambled), text);
  }
  // Codes below 128 stay below 128.
  for (unsigned char ch : XorEncrypt("The quick brown fox")) EXPECT_LT(ch, 128);
}

}  // namespace
