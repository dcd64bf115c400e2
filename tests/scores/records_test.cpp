// Score records: flag words, ordering by stamp and fresh records.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/list.h"
#include "scores/score_records.h"

namespace {

TEST(ScoreFlags, GetFlagReadsOneBit) {
  struct Case {
    int32_t value, n, expected;
  } cases[] = {{0, 1, 0}, {0, 17, 0}, {0, 32, 0}, {5, 1, 1}, {5, 2, 0}, {5, 3, 1},
               {static_cast<int32_t>(0x80000000u), 32, 1}, {static_cast<int32_t>(0x80000000u), 31, 0},
               {-1, 32, 1}, {1 << 29, 30, 1}};
  for (const auto& c : cases) EXPECT_EQ(GetFlag(c.value, c.n), c.expected) << c.value << " flag " << c.n;
  for (int32_t n = 1; n <= 32; ++n) EXPECT_EQ(GetFlag(0, n), 0);
}

TEST(ScoreFlags, SetFlagWritesOneOfThirtyFlags) {
  struct Case {
    int32_t value, n, on, expected;
  } cases[] = {{0, 1, 1, 1},          {7, 2, 0, 5},         {5, 3, 1, 5},
               {(1 << 30) + 1, 1, 1, 1}, {-1, 1, 0, 1073741822}, {0, 30, 1, 1 << 29},
               {static_cast<int32_t>(0xC0000000u), 2, 1, 2}};
  for (const auto& c : cases) EXPECT_EQ(SetFlag(c.value, c.n, c.on), c.expected) << c.value << " flag " << c.n;
  // Every flag set and read back, the others untouched.
  for (int32_t n = 1; n <= 30; ++n) {
    const int32_t word = SetFlag(0x15555555, n, 1);
    EXPECT_EQ(GetFlag(word, n), 1);
    EXPECT_EQ(GetFlag(SetFlag(word, n, 0), n), 0);
    for (int32_t m = 1; m <= 30; ++m) {
      if (m != n) {
        EXPECT_EQ(GetFlag(word, m), GetFlag(0x15555555, m)) << n << " " << m;
      }
    }
  }
}

TEST(ScoreOrder, CompareByStampNewestFirst) {
  Scores older, newer, same;
  older.Timestamp = 100;
  newer.Timestamp = 110;
  same.Timestamp = 100;
  EXPECT_LT(newer.Compare(older), 0);
  EXPECT_GT(older.Compare(newer), 0);
  EXPECT_EQ(older.Compare(same), 0);
  EXPECT_EQ(same.Compare(older), 0);
  EXPECT_EQ(older.Compare(nullptr), 1);
  EXPECT_EQ(older.Compare(&newer), 1);
}

TEST(ScoreOrder, StampsFarApartKeepOneConsistentOrder) {
  // Pairs whose difference cut to 32 bits would have the wrong sign or be 0.
  const int64_t real = 65150126130;
  const std::vector<int64_t> stamps = {0, real, real + (int64_t{1} << 32), -(int64_t{1} << 40),
                                       INT64_MAX, INT64_MIN, real - (int64_t{1} << 31), 1};
  for (int64_t a : stamps) {
    for (int64_t b : stamps) {
      Scores x, y;
      x.Timestamp = a;
      y.Timestamp = b;
      const int expected = a > b ? -1 : (a < b ? 1 : 0);
      EXPECT_EQ((x.Compare(y) > 0) - (x.Compare(y) < 0), expected) << a << " vs " << b;
    }
  }
  // Sorting gives the stamps in falling order whatever order they came in.
  for (int turn = 0; turn < 3; ++turn) {
    List<Scores> list;
    for (size_t i = 0; i < stamps.size(); ++i) {
      auto s = std::make_shared<Scores>();
      s->Timestamp = stamps[(i * (2 * turn + 3)) % stamps.size()];
      list.AddLast(s);
    }
    list.Sort();
    std::vector<int64_t> got;
    for (const auto& s : list) got.push_back(s->Timestamp);
    std::vector<int64_t> want = stamps;
    std::sort(want.rbegin(), want.rend());
    EXPECT_EQ(got, want) << "turn " << turn;
  }
}

TEST(ScoreOrder, EqualStampsKeepTheirOrderWhenSorted) {
  List<Scores> list;
  const struct {
    int64_t stamp;
    const char* name;
  } in[] = {{5, "a"}, {9, "b"}, {5, "c"}, {9, "d"}, {1, "e"}};
  for (const auto& i : in) {
    auto s = std::make_shared<Scores>();
    s->Timestamp = i.stamp;
    s->Name = i.name;
    list.AddLast(s);
  }
  list.Sort();
  std::string order;
  for (const auto& s : list) order += s->Name;
  EXPECT_EQ(order, "bdace");
}

TEST(ScoreOrder, NewRecordsHaveTheirOwnBestArray) {
  auto a = std::make_shared<Scores>();
  auto b = std::make_shared<Scores>();
  a->Best[30] = 1;
  EXPECT_EQ(b->Best[30], 0);
  EXPECT_EQ(a->Best.size(), 31u);
  EXPECT_EQ(a->Score, 0);
  EXPECT_EQ(a->Timestamp, 0);
  EXPECT_EQ(a->Badges, 0);
  EXPECT_EQ(a->Name, "");
  EXPECT_EQ(a->Quit, 0);
}

}  // namespace
