#include "platform/runtime.h"

#include <gtest/gtest.h>

#include <climits>
#include <clocale>
#include <cmath>
#include <string>
#include <vector>

#include "platform/test/test_backend.h"

namespace {

// ---- text ------------------------------------------------------------------------

struct MidCase {
  const char* s;
  int pos;
  int len;
  const char* want;
};

TEST(Text, MidTable) {
  const MidCase cases[] = {
      {"08 Dec 2026", 8, 4, "2026"},  // the year of a date text
      {"08 Dec 2026", 4, 3, "Dec"},
      {"08 Dec 2026", 1, 2, "08"},
      {"abc", 1, 1, "a"},
      {"abc", 3, 1, "c"},
      {"abc", 3, 5, "c"},    // the source ends early
      {"abc", 4, 1, ""},     // the start lies beyond the end
      {"abc", 99, 2, ""},
      {"abc", 2, -1, "bc"},  // no length: to the end
      {"abc", 2, 0, ""},
      {"abc", 0, 2, "a"},    // position 0 holds no character
      {"abc", -3, 5, "a"},
      {"abc", -3, 2, ""},
      {"", 1, 1, ""},
      {"abc", INT_MAX, INT_MAX, ""},
      {"abc", 2, INT_MAX, "bc"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Mid(c.s, c.pos, c.len), c.want) << c.s << " " << c.pos << " " << c.len;
}

TEST(Text, LeftRightTable) {
  struct Case {
    const char* s;
    int n;
    const char* left;
    const char* right;
  };
  const Case cases[] = {
      {"000000000000123", 12, "000000000000", "000000000123"},
      {"0007", 3, "000", "007"},
      {"ab", 5, "ab", "ab"},  // shorter text: the whole text
      {"ab", 0, "", ""},
      {"ab", -1, "", ""},
      {"", 3, "", ""},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Left(c.s, c.n), c.left) << c.s << " " << c.n;
    EXPECT_EQ(Right(c.s, c.n), c.right) << c.s << " " << c.n;
  }
}

TEST(Text, UpperTouchesOnlyAsciiLetters) {
  EXPECT_EQ(Upper("My Level.xml"), "MY LEVEL.XML");
  const std::string latin = "\xE9\xC9\xFF{}[]@`0";
  EXPECT_EQ(Upper(latin), latin);
}

TEST(Text, LowerTakesEveryCapitalOfLatin1ToItsSmallLetter) {
  struct Case {
    std::string in, out;
  };
  const std::vector<Case> cases = {
      {"WALL*23 Gem", "wall*23 gem"},
      // The first Latin-1 capital, E acute, O stroke and the last, thorn.
      {"\xC0\xC9\xD8\xDE", "\xE0\xE9\xF8\xFE"},
      // The multiplication sign, sharp s, small letters, y diaeresis and the
      // signs around the letters stay.
      {"\xD7\xDF\xE9\xFF\xBF\xF7{}[]@`0", "\xD7\xDF\xE9\xFF\xBF\xF7{}[]@`0"},
  };
  for (const auto& c : cases) EXPECT_EQ(Lower(c.in), c.out) << c.in;
}

TEST(Text, TrimRemovesCodesZeroToThirtyTwo) {
  EXPECT_EQ(Trim("  \t<room>\r\n"), "<room>");
  EXPECT_EQ(Trim(std::string("\0\x01 a b \x1F\x20", 8)), "a b");
  EXPECT_EQ(Trim(" \t "), "");
  EXPECT_EQ(Trim(""), "");
  // Byte 33 and bytes above 127 are not blanks.
  EXPECT_EQ(Trim("!x!"), "!x!");
  EXPECT_EQ(Trim("\xA0x\xA0"), "\xA0x\xA0");
}

TEST(Text, InstrTable) {
  struct Case {
    const char* s;
    const char* t;
    int start;
    int want;
  };
  const Case cases[] = {
      {"<title>Cave</title>", "<", 1, 1},
      {"<title>Cave</title>", ">", 1, 7},
      {"<title>Cave</title>", "</", 1, 12},
      {"<title>Cave</title>", "<", 2, 12},
      {"a,b,c", ",", 3, 4},
      {"a,b,c", ",", 5, 0},
      {"a,b,c", "x", 1, 0},
      {"abc", "c", 3, 3},
      {"abc", "c", 4, 0},   // beyond the end
      {"abc", "c", 99, 0},
      {"abc", "a", 0, 1},   // a start below 1 counts as 1
      {"abc", "a", -7, 1},
      {"abc", "", 2, 2},    // an empty text is found at the start
      {"abc", "", 4, 4},
      {"abc", "", 5, 0},
      {"", "a", 1, 0},
      {"aaa", "aa", 2, 2},
  };
  for (const auto& c : cases)
    EXPECT_EQ(Instr(c.s, c.t, c.start), c.want) << c.s << " / " << c.t << " @" << c.start;
  EXPECT_EQ(Instr("x:y", ":"), 2);
}

TEST(Text, ReplaceTable) {
  EXPECT_EQ(Replace("Duskmoor II (Screenshot_08 Dec 2026_09:00:49)", ":", "-"),
            "Duskmoor II (Screenshot_08 Dec 2026_09-00-49)");
  EXPECT_EQ(Replace("aaaa", "aa", "b"), "bb");  // left to right, no overlap
  EXPECT_EQ(Replace("aaa", "aa", "b"), "ba");
  EXPECT_EQ(Replace("abc", "", "x"), "abc");
  EXPECT_EQ(Replace("abc", "b", ""), "ac");
  EXPECT_EQ(Replace("abab", "ab", "abab"), "abababab");  // the result is not searched again
  EXPECT_EQ(Replace("", "a", "b"), "");
}

TEST(Text, CompareTextIsOrdinalOverUnsignedBytes) {
  EXPECT_LT(CompareText("Zebra", "apple"), 0);  // every capital before every small letter
  EXPECT_LT(CompareText("", "a"), 0);
  EXPECT_LT(CompareText("Cave", "Caves"), 0);
  EXPECT_EQ(CompareText("Cave", "Cave"), 0);
  EXPECT_GT(CompareText("\xE9", "z"), 0);  // Latin-1 above ASCII, not negative char
  EXPECT_GT(CompareText("xx - Your Level", "wz"), 0);
}

// ---- number conversion -------------------------------------------------------------

TEST(Numbers, ToIntTable) {
  struct Case {
    const char* s;
    int32_t want;
  };
  const Case cases[] = {
      {"0", 0},
      {"7", 7},
      {"  42", 42},
      {"\t\r\n 42", 42},
      {"-1", -1},
      {"+7", 7},
      {"1024 ; comment", 1024},
      {"12abc", 12},
      {"3.0", 3},
      {"-0", 0},
      {"", 0},
      {"   ", 0},
      {"abc", 0},
      {"-", 0},
      {"+-5", 0},     // one sign only
      {"- 5", 0},     // nothing between the sign and the digits
      {"$FF", 255},
      {"$ff", 255},
      {"-$10", -16},
      {"$1G", 1},
      {"$", 0},
      {"%101", 5},
      {"%102", 2},    // stops at the first digit that is not binary
      {"-%11", -3},
      {"%", 0},
      {"$-1", 0},
      {"2147483647", INT32_MAX},
      {"2147483648", INT32_MIN},  // wraps at 32 bits
      {"-2147483648", INT32_MIN},
      {"4294967295", -1},
      {"4294967296", 0},
      {"4294967303", 7},
      {"99999999999999999999", 1661992959},  // (10^20 - 1) mod 2^32: no overflow past 64 bits either
      {"$FFFFFFFF", -1},
      {"$100000005", 5},
      {"%11111111111111111111111111111111", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(ToInt(c.s), c.want) << '"' << c.s << '"';
}

TEST(Numbers, ToLongTable) {
  struct Case {
    const char* s;
    int64_t want;
  };
  const Case cases[] = {
      {"65150125249", 65150125249LL},  // a time stamp
      {"  -123456789012", -123456789012LL},
      {"9223372036854775807", INT64_MAX},
      {"9223372036854775808", INT64_MIN},
      {"18446744073709551617", 1},
      {"$FFFFFFFFFF", 0xFFFFFFFFFFLL},
      {"%1", 1},
      {"x", 0},
      {"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(ToLong(c.s), c.want) << '"' << c.s << '"';
}

TEST(Numbers, CanonicalDecimalRoundTrip) {
  // A level's style value is accepted only when it reads back as the same text.
  struct Case {
    const char* s;
    bool canonical;
  };
  const Case cases[] = {{"7", true},   {"0", true},   {"07", false}, {"+7", false},
                        {"-1", true},  {"7x", false}, {"3.0", false}, {"", false}};
  for (const auto& c : cases) EXPECT_EQ(Str(ToInt(c.s)) == c.s, c.canonical) << c.s;
}

TEST(Numbers, StrTable) {
  EXPECT_EQ(Str(0), "0");
  EXPECT_EQ(Str(256), "256");
  EXPECT_EQ(Str(-16), "-16");
  EXPECT_EQ(Str(INT32_MIN), "-2147483648");
  EXPECT_EQ(Str(INT64_MIN), "-9223372036854775808");
  EXPECT_EQ(Str(65150125249LL), "65150125249");
}

TEST(Numbers, ToDoubleTable) {
  struct Case {
    const char* s;
    double want;
  };
  const Case cases[] = {
      {"1.5", 1.5}, {"  -0.25", -0.25}, {"+2", 2.0},  {".5", 0.5},  {"3.", 3.0},
      {"2e3", 2000.0}, {"1.5x", 1.5},  {"", 0.0},    {"abc", 0.0}, {"-", 0.0},
      {".", 0.0},   {"inf", 0.0},      {"nan", 0.0}, {"1,5", 1.0}, {"1e999", 0.0},
  };
  for (const auto& c : cases) EXPECT_EQ(ToDouble(c.s), c.want) << '"' << c.s << '"';
}

TEST(Numbers, StrFIsShortestAndReadsBack) {
  EXPECT_EQ(StrF(959.5), "959.5");
  EXPECT_EQ(StrF(-3.0), "-3");
  EXPECT_EQ(StrF(0.0), "0");
  EXPECT_EQ(StrF(0.1), "0.1");
  for (double v : {1.0 / 3.0, -2.5e-7, 123456789.125, 1e300})
    EXPECT_EQ(ToDouble(StrF(v)), v) << StrF(v);
}

// ---- angles ------------------------------------------------------------------------------

TEST(Angles, DegreesInAndOut) {
  struct Case {
    double deg, sin, cos;
  };
  const Case cases[] = {{0, 0, 1}, {90, 1, 0}, {180, 0, -1}, {-90, -1, 0}, {30, 0.5, 0.8660254037844387},
                        {360 + 45, 0.7071067811865476, 0.7071067811865476}};
  for (const auto& c : cases) {
    EXPECT_NEAR(Sin(c.deg), c.sin, 1e-12) << c.deg;
    EXPECT_NEAR(Cos(c.deg), c.cos, 1e-12) << c.deg;
  }
  struct Atan {
    double y, x, deg;
  };
  const Atan atans[] = {{0, 1, 0}, {1, 0, 90}, {0, -1, 180}, {-0.0, -1, -180}, {-1, 0, -90}, {1, 1, 45}, {-1, -1, -135}};
  for (const auto& a : atans) EXPECT_NEAR(ATan2(a.y, a.x), a.deg, 1e-12) << a.y << "," << a.x;
}

// ---- shared random generator --------------------------------------------------------
// Expected values follow by hand from state' = state * 48271 mod (2^31 - 1):
// 4660 * 48271 = 224942860, already below the modulus; the next states are
// 539475828, 650989866, 1951098782, 1446483090, 2049422479.

double UnitFrom(int64_t s1, int64_t s2) {
  return (static_cast<double>(s1 & 0x1FFFFFFC) + static_cast<double>(s2 & 0x1FFFFFF8) / 134217728.0) /
         536870912.0;
}

TEST(Random, StartStateIs4660) {
  testbackend::Reset();
  EXPECT_EQ(RndSeed(), 4660);
}

TEST(Random, RndUnitTakesTwoStepsInTheStatedWay) {
  testbackend::Reset();
  EXPECT_EQ(RndUnit(), UnitFrom(224942860, 539475828));
  EXPECT_EQ(RndSeed(), 539475828);
  EXPECT_EQ(RndUnit(), UnitFrom(650989866, 1951098782));
  EXPECT_EQ(RndUnit(), UnitFrom(1446483090, 2049422479));
  EXPECT_EQ(RndSeed(), 2049422479);
}

TEST(Random, UnitStaysBelowOne) {
  // The largest masked values: 0x1FFFFFFC + 0x1FFFFFF8 / 2^27 is still below 2^29.
  EXPECT_LT(UnitFrom(0x7FFFFFFE, 0x7FFFFFFE), 1.0);
  SeedRnd(12345);
  for (int i = 0; i < 100000; ++i) {
    const double r = RndUnit();
    ASSERT_GE(r, 0.0);
    ASSERT_LT(r, 1.0);
  }
}

TEST(Random, RandSequencesFromStart) {
  struct Case {
    int32_t a, b;
    std::vector<int32_t> want;
  };
  const Case cases[] = {
      {1, 6, {3, 2, 5, 1, 4, 2, 5, 3, 3, 4}},
      {1, 0, {0, 0, 1, 0, 1, 0, 1, 0, 0, 1}},  // bounds in either order
      {0, 1, {0, 0, 1, 0, 1, 0, 1, 0, 0, 1}},
      {360, 1, {151, 77, 250, 54, 206}},
      {-60, 160, {32, -14, 93, -27, 66}},
  };
  for (const auto& c : cases) {
    SeedRnd(4660);
    std::vector<int32_t> got;
    for (size_t i = 0; i < c.want.size(); ++i) got.push_back(Rand(c.a, c.b));
    EXPECT_EQ(got, c.want) << "Rand(" << c.a << ", " << c.b << ")";
  }
}

TEST(Random, RandUsesOneUnitWhateverItsBounds) {
  for (auto bounds : {std::pair{5, 5}, std::pair{-3, 9}, std::pair{INT32_MIN, INT32_MAX}}) {
    SeedRnd(4660);
    Rand(bounds.first, bounds.second);
    EXPECT_EQ(RndSeed(), 539475828);
  }
  SeedRnd(4660);
  EXPECT_EQ(Rand(5, 5), 5);
}

TEST(Random, RandCoversBothBoundsOnly) {
  SeedRnd(99);
  bool seen_lo = false, seen_hi = false;
  for (int i = 0; i < 2000; ++i) {
    const int32_t r = Rand(15, 17);
    ASSERT_GE(r, 15);
    ASSERT_LE(r, 17);
    seen_lo |= r == 15;
    seen_hi |= r == 17;
  }
  EXPECT_TRUE(seen_lo && seen_hi);
}

TEST(Random, RandOverTheWholeRange) {
  // The span 2^32 does not fit 32 bits; the result still follows the formula.
  SeedRnd(4660);
  EXPECT_EQ(Rand(INT32_MIN, INT32_MAX), -347940768);
}

TEST(Random, RndScalesBetweenBounds) {
  SeedRnd(4660);
  EXPECT_EQ(Rnd(0.2, 3.5), 0.2 + UnitFrom(224942860, 539475828) * 3.3);
  EXPECT_EQ(Rnd(3.5, 0.2), 0.2 + UnitFrom(650989866, 1951098782) * 3.3);
  SeedRnd(4660);
  EXPECT_EQ(Rnd(), UnitFrom(224942860, 539475828));  // Rnd() is in [0, 1)
  SeedRnd(4660);
  EXPECT_EQ(Rnd(10), 10 * UnitFrom(224942860, 539475828));
}

TEST(Random, SeedRndClearsTheTopBitAndAvoidsFixedPoints) {
  struct Case {
    int32_t seed;
    int32_t state;
  };
  const Case cases[] = {
      {37171650, 37171650},
      {1, 1},
      {0, 4660},                 // 0 would stay 0 for ever
      {INT32_MAX, 4660},         // 2^31 - 1 is the modulus
      {-1, 4660},                // top bit cleared: 2^31 - 1
      {INT32_MIN, 4660},         // top bit cleared: 0
      {-5, 2147483643},
  };
  for (const auto& c : cases) {
    SeedRnd(c.seed);
    EXPECT_EQ(RndSeed(), c.state) << c.seed;
  }
  SeedRnd(-5);
  RndUnit();
  EXPECT_EQ(RndSeed(), 1417060471);  // wide arithmetic: no overflow for large states
}

TEST(Random, SameSeedSameSequence) {
  SeedRnd(37171650);
  std::vector<int32_t> first;
  for (int i = 0; i < 5; ++i) first.push_back(Rand(0, 1000));
  EXPECT_EQ(first, (std::vector<int32_t>{168, 286, 276, 378, 860}));
}

// ---- wall clock ---------------------------------------------------------------------

TEST(Clock, DateAndTimeFormats) {
  testbackend::Reset();
  struct Case {
    LocalDateTime t;
    const char* date;
    const char* time;
  };
  const Case cases[] = {
      {{2026, 12, 8, 9, 0, 49, 0}, "08 Dec 2026", "09:00:49"},
      {{2027, 1, 31, 23, 59, 59, 999}, "31 Jan 2027", "23:59:59"},
      {{999, 5, 1, 0, 0, 0, 0}, "01 May 0999", "00:00:00"},
  };
  const char* months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  for (const auto& c : cases) {
    EXPECT_EQ(FormatDate(c.t), c.date);
    EXPECT_EQ(FormatTime(c.t), c.time);
  }
  for (int m = 1; m <= 12; ++m) {
    LocalDateTime t;
    t.year = 2026;
    t.month = m;
    t.day = 15;
    EXPECT_EQ(FormatDate(t), std::string("15 ") + months[m - 1] + " 2026");
  }
}

TEST(Clock, DateAndTimeComeFromOneReading) {
  testbackend::Reset();
  // A clock at 23:59:59.999 that moves on 1 ms at every reading.
  LocalDateTime now{2026, 12, 31, 23, 59, 59, 999};
  int readings = 0;
  SetLocalClockHook([&] {
    ++readings;
    const LocalDateTime r = now;
    now = {2027, 1, 1, 0, 0, 0, 0};
    return r;
  });
  std::string date, time;
  CurrentDateTime(date, time);
  EXPECT_EQ(readings, 1);
  EXPECT_EQ(date, "31 Dec 2026");
  EXPECT_EQ(time, "23:59:59");
}

TEST(Clock, SystemClockFormatsInEnglishWhateverTheLocale) {
  testbackend::Reset();
  // Where a foreign locale is installed it must not leak into the texts.
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  std::setlocale(LC_ALL, "fr_FR.UTF-8");
  std::string date, time;
  CurrentDateTime(date, time);
  ASSERT_EQ(date.size(), 11u);
  const std::string month = date.substr(3, 3);
  const std::string all = "JanFebMarAprMayJunJulAugSepOctNovDec";
  EXPECT_NE(all.find(month), std::string::npos) << date;
  EXPECT_EQ(date[2], ' ');
  EXPECT_EQ(date[6], ' ');
  ASSERT_EQ(time.size(), 8u);
  EXPECT_EQ(time[2], ':');
  EXPECT_EQ(time[5], ':');
  EXPECT_GE(ToInt(date.substr(7)), 2024);
}

// ---- diagnostics and memory ------------------------------------------------------------

TEST(Diagnostics, DebugLogReachesTheHookOnly) {
  DebugLog("nobody listens");  // no hook: silently dropped
  std::vector<std::string> got;
  SetDebugLogHook([&](const std::string& s) { got.push_back(s); });
  DebugLog("959.5:Cave");
  DebugLog("");
  SetDebugLogHook(nullptr);
  DebugLog("dropped again");
  EXPECT_EQ(got, (std::vector<std::string>{"959.5:Cave", ""}));
}

TEST(Memory, AllocatedBytesFollowAllocations) {
  const int64_t before = GCMemAlloced();
  EXPECT_GT(before, 0);
  auto* block = new std::vector<char>(8 << 20, 1);
  const int64_t during = GCMemAlloced();
  EXPECT_GE(during - before, 8 << 20);
  delete block;
  EXPECT_LT(GCMemAlloced(), during - (4 << 20));
  EXPECT_GE(GCCollect(), 0);
}

}  // namespace
