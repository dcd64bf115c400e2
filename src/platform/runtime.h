// Runtime services the whole game shares: text operations, number conversion,
// the shared random generator, clock and diagnostics. Backend independent
// except for the clock, which the real and the test backend each provide.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// ---- text (one byte per character, positions counted from 1) -------------------
// `len` characters from position `pos`; a negative `len` means "to the end".
// A start beyond the end gives "", a source that ends early a shorter text, and
// positions before 1 hold no characters (Mid("abc", 0, 2) is "a").
std::string Mid(const std::string& s, int pos, int len = -1);
// The first / last `n` characters; the whole text when it is shorter, "" for n <= 0.
std::string Left(const std::string& s, int n);
std::string Right(const std::string& s, int n);
// Upper: the letters a-z only; every other byte is kept.
std::string Upper(const std::string& s);
// Lower: the capitals A-Z and the Latin-1 capitals (codes 192 to 222 but the
// multiplication sign 215) become their small letters; every other byte is kept.
std::string Lower(const std::string& s);
// Removes every character of code 0 to 32 from both ends.
std::string Trim(const std::string& s);
// Position (from 1) of `t` in `s` at or after `start`, 0 when absent. A start
// below 1 counts as 1. An empty `t` is found at `start` while start <= length + 1.
int Instr(const std::string& s, const std::string& t, int start = 1);
// Every occurrence of `from`, left to right without overlap; an empty `from`
// leaves the text as it is.
std::string Replace(const std::string& s, const std::string& from, const std::string& to);
// Ordinal comparison as unsigned bytes: <0, 0, >0.
int CompareText(const std::string& a, const std::string& b);

// ---- number conversion -------------------------------------------------------------
// Text to integer: leading characters of code 0 to 32 skipped, one optional "+"
// or "-", then "$" and hexadecimal digits, "%" and binary digits, or decimal
// digits, each up to the first other character; no digits gives 0. The value
// wraps at 32 bits.
int32_t ToInt(const std::string& s);
// The same rule over 64 bits (scores, time stamps).
int64_t ToLong(const std::string& s);
// Text to a double: leading blanks, an optional sign, then a decimal number
// ("1.5", ".5", "2e3") up to the first other character; no number gives 0.
// Independent of the locale.
double ToDouble(const std::string& s);
// Plain decimal: "-" before a negative number, no leading zeros, "0" for zero.
std::string Str(int64_t v);
// Shortest decimal text that reads back as the same double ("0.5", "959.5", "-3").
std::string StrF(double v);

// ---- angles in degrees -----------------------------------------------------------------
double Sin(double degrees);
double Cos(double degrees);
// The angle of (x, y) in degrees, from -180 to 180.
double ATan2(double y, double x);

// ---- shared random generator --------------------------------------------------------
// State times 48271 modulo 2^31 - 1, starting at 4660. The seed's top bit is
// cleared; 0 and 2147483647 become 4660.
void SeedRnd(int32_t seed);
// The present state of the generator.
int32_t RndSeed();
// One double in [0, 1) from two generator steps.
double RndUnit();
// A double between the two bounds (either order): Rnd() is in [0, 1).
double Rnd(double a = 1.0, double b = 0.0);
// An integer between the two bounds, both included, in either order. Every call
// takes exactly one RndUnit whatever its bounds.
int32_t Rand(int32_t a, int32_t b = 1);

// ---- system ------------------------------------------------------------------
// Milliseconds since program start on a monotonic clock, as a 32-bit counter
// that wraps. Provided by the backend.
int32_t MilliSecs();
void Delay(int32_t ms);

// The local calendar time, as the wall clock gives it.
struct LocalDateTime {
  int year = 1970;
  int month = 1;  // 1 to 12
  int day = 1;    // 1 to 31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
};
// Replaces the system's wall clock (tests); an empty function restores it.
void SetLocalClockHook(std::function<LocalDateTime()> hook);
// One reading of the wall clock (or of the hook).
LocalDateTime ReadLocalClock();
// "DD Mon YYYY" (English month abbreviations whatever the locale) and
// "HH:MM:SS", both from ONE reading of the clock, so they always agree.
void CurrentDateTime(std::string& date, std::string& time);
std::string FormatDate(const LocalDateTime& t);
std::string FormatTime(const LocalDateTime& t);
// Each reads the clock once on its own; a caller that needs both uses
// CurrentDateTime.
std::string CurrentDate();
std::string CurrentTime();

// While the program starts up nothing has been played that could be saved:
// a termination signal then ends the process at once with status 0, even in
// the middle of a step that waits. Once the start-up is over the game's frames
// answer such a signal through the saving steps. True from the start of the
// process until the start-up sets it off; safe to ask from a signal handler.
bool StartingUp();
void SetStartingUp(bool on);

// The caption of every window the display opens; the start-up sets it.
extern std::string AppTitle;

// Diagnostic text hook: silent unless a hook is installed (tests capture it).
void DebugLog(const std::string& text);
void SetDebugLogHook(std::function<void(const std::string&)> hook);

// Hands unused memory back to the system; returns the bytes given back.
int64_t GCCollect();
// Bytes the allocator has handed out and not yet got back.
int64_t GCMemAlloced();
