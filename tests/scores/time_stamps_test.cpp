// Time stamps from the clock and their calendar texts.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdint>
#include <string>

#include "platform/runtime.h"
#include "platform/test/test_backend.h"
#include "scores/time_stamps.h"

namespace {

class TimeStampTest : public ::testing::Test {
 protected:
  void SetUp() override { testbackend::Reset(); }
  void TearDown() override { SetLocalClockHook({}); }
  static void ClockAt(LocalDateTime t) {
    SetLocalClockHook([t] { return t; });
  }
};

TEST_F(TimeStampTest, StampsOfInstantsAndTheirTexts) {
  struct Case {
    LocalDateTime at;
    int64_t stamp;
    const char* date;
    const char* time;
  } cases[] = {
      {{2026, 12, 8, 9, 0, 49, 0}, 65150125249, "08-12-2026", "09:00:49"},
      {{2026, 12, 8, 9, 15, 30, 0}, 65150126130, "08-12-2026", "09:15:30"},
      {{2026, 12, 31, 23, 59, 59, 0}, 65152166399, "31-12-2026", "23:59:59"},
      {{2027, 1, 1, 0, 0, 0, 0}, 65152166400, "01-01-2027", "00:00:00"},
      {{2026, 1, 31, 12, 0, 0, 0}, 65122660800, "31-01-2026", "12:00:00"},
      {{2026, 12, 15, 0, 0, 0, 0}, 65150697600, "15-12-2026", "00:00:00"},
      {{2024, 2, 29, 23, 59, 59, 999}, 65060927999, "29-02-2024", "23:59:59"},
      {{2024, 3, 1, 0, 0, 0, 0}, 65061100800, "01-03-2024", "00:00:00"},
      {{2000, 1, 1, 0, 0, 0, 0}, 64284364800, "01-01-2000", "00:00:00"},
  };
  for (const auto& c : cases) {
    ClockAt(c.at);
    const int64_t s = Timestamp("");
    EXPECT_EQ(s, c.stamp) << c.date;
    EXPECT_EQ(StampDate(s), c.date) << c.date;
    EXPECT_EQ(StampTime(s), c.time) << c.date;
  }
  // Pinned values of the formula.
  EXPECT_EQ(MakeStamp(2026, 12, 8, 9, 0, 49), 65150125249);
  EXPECT_EQ(MakeStamp(2026, 12, 31, 23, 59, 59) + 1, MakeStamp(2027, 1, 1, 0, 0, 0));
  EXPECT_EQ(MakeStamp(2026, 3, 1, 0, 0, 0) - MakeStamp(2026, 2, 28, 23, 59, 59), 3 * 86400 + 1);
  EXPECT_EQ(MakeStamp(2026, 0, 8, 9, 0, 0), MakeStamp(2025, 12, 8, 9, 0, 0));
}

TEST_F(TimeStampTest, DateAndTimeComeFromOneReadingOfTheClock) {
  // A clock 1 ms before midnight that moves on 1 ms at each reading.
  int64_t ms = 0;
  SetLocalClockHook([&ms] {
    const int64_t now = ms++;
    return now == 0 ? LocalDateTime{2026, 12, 31, 23, 59, 59, 999} : LocalDateTime{2027, 1, 1, 0, 0, 0, 0};
  });
  const int64_t s = Timestamp("");
  EXPECT_EQ(ms, 1);
  EXPECT_EQ(s, MakeStamp(2026, 12, 31, 23, 59, 59));
}

TEST_F(TimeStampTest, EnglishMonthsWhateverTheLocale) {
  std::setlocale(LC_ALL, "de_DE.UTF-8");
  std::setlocale(LC_TIME, "fr_FR.UTF-8");
  std::string date, time;
  ClockAt({2026, 5, 3, 7, 8, 9, 0});
  CurrentDateTime(date, time);
  EXPECT_EQ(date, "03 May 2026");
  EXPECT_EQ(time, "07:08:09");
  EXPECT_EQ(Timestamp(""), MakeStamp(2026, 5, 3, 7, 8, 9));
  std::setlocale(LC_ALL, "C");
}

TEST_F(TimeStampTest, DateArgumentReplacesTodayButNotTheTime) {
  ClockAt({2030, 6, 6, 10, 20, 30, 0});
  const int64_t base = MakeStamp(2026, 12, 8, 10, 20, 30);
  struct Case {
    const char* date;
    int64_t stamp;
  } cases[] = {
      {"08 Dec 2026", base},
      {"08 dec 2026", base},
      {"08 dEc 2026", base},
      {"08-DEC-2026", base},
      {"08xDecx2026", base},
      {"08 Foo 2026", MakeStamp(2025, 12, 8, 10, 20, 30)},
      {"8 Dec 2026", MakeStamp(26, 0, 8, 10, 20, 30)},
      {"xx yyy zzzz", MakeStamp(0, 0, 0, 10, 20, 30)},
      {"-8 Jan -200", MakeStamp(200, 1, 8, 10, 20, 30)},
      {"31", MakeStamp(0, 0, 31, 10, 20, 30)},
  };
  for (const auto& c : cases) EXPECT_EQ(Timestamp(c.date), c.stamp) << c.date;
}

TEST_F(TimeStampTest, StampTextsOfOddStamps) {
  EXPECT_EQ(StampDate(0), "00-00-0000");
  EXPECT_EQ(StampTime(0), "00:00:00");
  EXPECT_EQ(StampDate(MakeStamp(26, 3, 4, 5, 6, 7)), "04-03-0026");
  EXPECT_EQ(StampDate(MakeStamp(12345, 3, 4, 5, 6, 7)), "04-03-2345");
  // Extremes give some text and no fault.
  EXPECT_FALSE(StampDate(INT64_MIN).empty());
  EXPECT_FALSE(StampTime(INT64_MIN).empty());
  EXPECT_FALSE(StampDate(INT64_MAX).empty());
}

TEST(CalendarTexts, MillstoTimeFlags) {
  struct Case {
    int32_t ms, s, m, h;
    const char* text;
  } cases[] = {
      {3723000, 1, 1, 1, "01:02:03"}, {3723000, 1, 1, 0, "02:03"}, {3723000, 0, 1, 1, "01:02"},
      {3723000, 1, 0, 0, "03"},       {3723000, 1, 0, 1, "0103"},  {3723000, 0, 0, 0, ""},
      {999, 1, 0, 0, "00"},           {86400000, 1, 1, 1, "00:00:00"}, {3723000, 2, 1, 1, "01:02"},
  };
  for (const auto& c : cases) EXPECT_EQ(MillstoTime(c.ms, c.s, c.m, c.h), c.text) << c.ms;
}

TEST(CalendarTexts, DayOfTheWeek) {
  struct Case {
    const char* date;
    int32_t day;
  } cases[] = {{"01-01-2000", 6}, {"01-03-2000", 3}, {"08-12-2026", 2}, {"29-02-2024", 4},
               {"31-12-1999", 5}, {"01-01-1900", 1}, {"01-01-0001", 1}, {"15-08-2100", 0}};
  for (const auto& c : cases) EXPECT_EQ(CalenderDay(c.date), c.day) << c.date;
  for (const char* odd : {"", "xx-yy-zzzz", "-9-99--999", "99-99-9999"}) {
    const int32_t d = CalenderDay(odd);
    EXPECT_GE(d, 0) << odd;
    EXPECT_LE(d, 6) << odd;
  }
}

TEST(CalendarTexts, DaysInTheMonth) {
  struct Case {
    const char* date;
    int32_t days;
  } cases[] = {{"01-02-1900", 29}, {"01-02-2000", 29}, {"01-02-2024", 29}, {"01-02-2100", 29},
               {"01-02-2026", 28}, {"01-04-2026", 30}, {"01-06-2026", 30}, {"01-09-2026", 30},
               {"01-11-2026", 30}, {"01-01-2026", 31}, {"01-12-2026", 31}, {"01-13-2026", 31},
               {"01-00-2026", 31}};
  for (const auto& c : cases) EXPECT_EQ(CalenderDays(c.date), c.days) << c.date;
}

TEST(CalendarTexts, MonthNames) {
  const char* shorts[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const char* longs[] = {"January", "February", "March",     "April",   "May",      "June",
                         "July",    "August",   "September", "October", "November", "December"};
  for (int m = 1; m <= 12; ++m) {
    EXPECT_EQ(MonthName(m, 0), shorts[m - 1]);
    EXPECT_EQ(MonthName(m, 1), longs[m - 1]);
  }
  EXPECT_EQ(MonthName(0, 0), "");
  EXPECT_EQ(MonthName(13, 1), "");
  EXPECT_EQ(MonthName(3, 2), "");
  EXPECT_EQ(MonthName(3, -1), "");
}

}  // namespace
