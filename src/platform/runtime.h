// Runtime services the whole game shares: text operations, number conversion,
// the shared random generator, clock and diagnostics. Backend independent
// except for the clock, which the real and the test backend each provide.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

// ---- text (one byte per character, positions counted from 1) -------------------
std::string Mid(const std::string& s, int pos, int len = -1);
std::string Left(const std::string& s, int n);
std::string Right(const std::string& s, int n);
std::string Upper(const std::string& s);
std::string Lower(const std::string& s);
std::string Trim(const std::string& s);
// Position (from 1) of `t` in `s` at or after `start`, 0 when absent.
int Instr(const std::string& s, const std::string& t, int start = 1);
std::string Replace(const std::string& s, const std::string& from, const std::string& to);
// Ordinal comparison as unsigned bytes: <0, 0, >0.
int CompareText(const std::string& a, const std::string& b);

// ---- number conversion -------------------------------------------------------------
// Text to integer: leading blanks, one sign, "$" hexadecimal, "%" binary, else
// decimal digits up to the first other character; wraps at 32 bits.
int32_t ToInt(const std::string& s);
// The same rule over 64 bits.
int64_t ToLong(const std::string& s);
double ToDouble(const std::string& s);
std::string Str(int64_t v);
std::string StrF(double v);

// ---- shared random generator --------------------------------------------------------
void SeedRnd(int32_t seed);
int32_t RndSeed();
// One double in [0, 1) from two generator steps.
double RndUnit();
double Rnd(double a = 1.0, double b = 0.0);
int32_t Rand(int32_t a, int32_t b = 1);

// ---- system ------------------------------------------------------------------
// Milliseconds since program start (monotonic). Provided by the backend.
int32_t MilliSecs();
void Delay(int32_t ms);
// "DD Mon YYYY" and "HH:MM:SS" from one reading of the wall clock.
void CurrentDateTime(std::string& date, std::string& time);
std::string CurrentDate();
std::string CurrentTime();
// Diagnostic text hook: silent unless a hook is installed (tests capture it).
void DebugLog(const std::string& text);
void SetDebugLogHook(std::function<void(const std::string&)> hook);
// Memory reclaim and the allocator's figure, as the debug overlay shows them.
void GCCollect();
int64_t GCMemAlloced();
