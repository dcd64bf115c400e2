// Time stamps of finished games and their calendar texts. A stamp counts
// seconds in a calendar of twelve 31-day months:
//   ((((year * 12 + month) * 31 + day) * 24 + hour) * 60 + minute) * 60 + second
// so a later moment always has a larger stamp, and stamps of present-day
// years need 64 bits.
#pragma once

#include <cstdint>
#include <string>

// The stamp of the date text `date` ("08 Dec 2026": day in characters 1-2,
// month abbreviation in 4-6 in any case, year in 8-11) at the present time of
// day. The empty text means today; date and time then come from one reading
// of the clock.
int64_t Timestamp(const std::string& date);
// "HH:MM:SS" of a stamp (whole days dropped).
std::string StampTime(int64_t stamp);
// "DD-MM-YYYY" of a stamp.
std::string StampDate(int64_t stamp);
// Milliseconds as "HH:MM:SS" with each field shown only when its flag is 1,
// ":" only between neighbouring shown fields; whole days are dropped.
std::string MillstoTime(int32_t ms, int32_t secs, int32_t mins, int32_t hours);
// Day of the week of a "DD-MM-YYYY" text: 0 Sunday to 6 Saturday.
int32_t CalenderDay(const std::string& date);
// Days in the month of a "DD-MM-YYYY" text (every fourth year a leap year).
int32_t CalenderDays(const std::string& date);
// English month name: form 0 "Jan", form 1 "January"; "" outside 1-12 or for
// another form.
std::string MonthName(int32_t month, int32_t form);

// The stamp of a given calendar date and time (the formula above).
int64_t MakeStamp(int64_t year, int64_t month, int64_t day, int64_t hour, int64_t minute, int64_t second);
