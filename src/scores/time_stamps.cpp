#include "scores/time_stamps.h"

#include <cmath>

#include "platform/runtime.h"

namespace {

constexpr const char* kShort[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLong[12] = {"January", "February", "March",     "April",   "May",      "June",
                                   "July",    "August",   "September", "October", "November", "December"};

int32_t Abs32(int32_t v) { return v < 0 ? static_cast<int32_t>(0u - static_cast<uint32_t>(v)) : v; }

// The last two (or four) digits, zero-padded.
std::string Two(int64_t v) { return Right("00" + Str(v), 2); }
std::string Four(int64_t v) { return Right("0000" + Str(v), 4); }

}  // namespace

int64_t MakeStamp(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second) {
  return ((((year * 12 + month) * 31 + day) * 24 + hour) * 60 + minute) * 60 + second;
}

int64_t Timestamp(const std::string& date) {
  std::string today;
  std::string time;
  CurrentDateTime(today, time);
  const std::string d = Upper(date.empty() ? today : date);
  const int64_t year = Abs32(ToInt(Mid(d, 8, 4)));
  const std::string mon = Mid(d, 4, 3);
  int64_t month = 0;
  for (int m = 0; m < 12; ++m) {
    if (mon == Upper(kShort[m])) month = m + 1;
  }
  const int64_t day = Abs32(ToInt(Mid(d, 1, 2)));
  const int64_t hour = Abs32(ToInt(Mid(time, 1, 2)));
  const int64_t minute = Abs32(ToInt(Mid(time, 4, 2)));
  const int64_t second = Abs32(ToInt(Mid(time, 7, 2)));
  return MakeStamp(year, month, day, hour, minute, second);
}

std::string StampTime(int64_t stamp) {
  std::string text = Two(stamp % 60);
  stamp /= 60;
  text = Two(stamp % 60) + ":" + text;
  stamp /= 60;
  return Two(stamp % 24) + ":" + text;
}

std::string StampDate(int64_t stamp) {
  const int64_t n = stamp / 60 / 60 / 24;
  const int64_t day = ((n - 1) % 31) + 1;
  const int64_t q = (n - day) / 31;
  const int64_t month = ((q - 1) % 12) + 1;
  const int64_t year = (q - month) / 12;
  return Two(day) + "-" + Two(month) + "-" + Four(year);
}

std::string MillstoTime(int32_t ms, int32_t secs, int32_t mins, int32_t hours) {
  int32_t s = ms / 1000;
  std::string text;
  if (secs == 1) text = Two(s % 60);
  s /= 60;
  if (secs == 1 && mins == 1) text = ":" + text;
  if (mins == 1) text = Two(s % 60) + text;
  s /= 60;
  if (mins == 1 && hours == 1) text = ":" + text;
  if (hours == 1) text = Two(s % 24) + text;
  return text;
}

int32_t CalenderDay(const std::string& date) {
  const int32_t day = ToInt(Mid(date, 1, 2));
  int32_t month = ToInt(Mid(date, 4, 2));
  int32_t year = ToInt(Mid(date, 7, 4));
  month -= 2;
  if (month < 1) {
    month += 12;
    year -= 1;
  }
  const int32_t y = year % 100;
  const int32_t c = (year - y) / 100;
  const double w = static_cast<double>(day) + std::floor((13.0 * month - 1.0) / 5.0) + y + y / 4 + c / 4 - 2.0 * c;
  int32_t r = static_cast<int32_t>(std::fmod(w, 7.0));
  if (r < 0) r += 7;
  return r;
}

int32_t CalenderDays(const std::string& date) {
  const int32_t month = ToInt(Mid(date, 4, 2));
  const int32_t year = ToInt(Mid(date, 7, 4));
  if (month == 4 || month == 6 || month == 9 || month == 11) return 30;
  if (month == 2) return year % 4 == 0 ? 29 : 28;
  return 31;
}

std::string MonthName(int32_t month, int32_t form) {
  if (month < 1 || month > 12) return "";
  if (form == 0) return kShort[month - 1];
  if (form == 1) return kLong[month - 1];
  return "";
}
