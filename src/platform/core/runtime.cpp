#include "platform/runtime.h"

#include <malloc.h>

#include <charconv>
#include <cmath>
#include <csignal>
#include <cstddef>
#include <ctime>

// The sanitizer runtime, when it is linked in, owns the heap; its own figures
// are then the real ones. Weak, so a plain build links without it.
extern "C" {
size_t __sanitizer_get_current_allocated_bytes(void) __attribute__((weak));
size_t __sanitizer_get_heap_size(void) __attribute__((weak));
}

// ---- text --------------------------------------------------------------------------

std::string Mid(const std::string& s, int pos, int len) {
  const int64_t size = static_cast<int64_t>(s.size());
  int64_t first = pos;  // 1-based
  int64_t last = len < 0 ? size : first + static_cast<int64_t>(len) - 1;
  if (first < 1) first = 1;
  if (last > size) last = size;
  if (first > last) return {};
  return s.substr(static_cast<size_t>(first - 1), static_cast<size_t>(last - first + 1));
}

std::string Left(const std::string& s, int n) {
  if (n <= 0) return {};
  return s.substr(0, static_cast<size_t>(n));
}

std::string Right(const std::string& s, int n) {
  if (n <= 0) return {};
  if (static_cast<size_t>(n) >= s.size()) return s;
  return s.substr(s.size() - static_cast<size_t>(n));
}

std::string Upper(const std::string& s) {
  std::string r = s;
  for (char& c : r)
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  return r;
}

std::string Lower(const std::string& s) {
  std::string r = s;
  for (char& c : r) {
    const auto u = static_cast<unsigned char>(c);
    // The Latin-1 capitals sit 32 below their small letters, as A-Z do;
    // the multiplication sign among them is no letter.
    const bool capital = (u >= 'A' && u <= 'Z') || (u >= 0xC0 && u <= 0xDE && u != 0xD7);
    if (capital) c = static_cast<char>(u + 32);
  }
  return r;
}

namespace {
bool IsBlank(char c) { return static_cast<unsigned char>(c) <= 32; }
}  // namespace

std::string Trim(const std::string& s) {
  size_t a = 0, b = s.size();
  while (a < b && IsBlank(s[a])) ++a;
  while (b > a && IsBlank(s[b - 1])) --b;
  return s.substr(a, b - a);
}

int Instr(const std::string& s, const std::string& t, int start) {
  if (start < 1) start = 1;
  const size_t from = static_cast<size_t>(start) - 1;
  if (from > s.size()) return 0;
  const size_t at = s.find(t, from);
  return at == std::string::npos ? 0 : static_cast<int>(at) + 1;
}

std::string Replace(const std::string& s, const std::string& from, const std::string& to) {
  if (from.empty()) return s;
  std::string r;
  size_t pos = 0;
  for (;;) {
    const size_t at = s.find(from, pos);
    if (at == std::string::npos) break;
    r.append(s, pos, at - pos);
    r += to;
    pos = at + from.size();
  }
  r.append(s, pos, std::string::npos);
  return r;
}

int CompareText(const std::string& a, const std::string& b) {
  // std::string compares through char_traits<char>, which orders as unsigned char.
  const int c = a.compare(b);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// ---- number conversion -------------------------------------------------------------

namespace {
// Skips leading blanks and one sign; returns where the digits start.
size_t SkipBlanksAndSign(const std::string& s, bool& neg) {
  size_t i = 0;
  const size_t n = s.size();
  while (i < n && IsBlank(s[i])) ++i;
  neg = false;
  if (i < n && (s[i] == '+' || s[i] == '-')) {
    neg = s[i] == '-';
    ++i;
  }
  return i;
}

// Unsigned arithmetic wraps by definition, so the 32-bit result is the low
// half of the 64-bit one.
uint64_t ParseWrapped(const std::string& s) {
  const size_t n = s.size();
  bool neg = false;
  size_t i = SkipBlanksAndSign(s, neg);
  uint64_t base = 10;
  if (i < n && s[i] == '$') {
    base = 16;
    ++i;
  } else if (i < n && s[i] == '%') {
    base = 2;
    ++i;
  }
  uint64_t v = 0;
  for (; i < n; ++i) {
    const char c = s[i];
    uint64_t d;
    if (c >= '0' && c <= '9') d = static_cast<uint64_t>(c - '0');
    else if (c >= 'a' && c <= 'f') d = static_cast<uint64_t>(c - 'a' + 10);
    else if (c >= 'A' && c <= 'F') d = static_cast<uint64_t>(c - 'A' + 10);
    else break;
    if (d >= base) break;
    v = v * base + d;
  }
  return neg ? 0 - v : v;
}
}  // namespace

int32_t ToInt(const std::string& s) {
  return static_cast<int32_t>(static_cast<uint32_t>(ParseWrapped(s)));
}

int64_t ToLong(const std::string& s) { return static_cast<int64_t>(ParseWrapped(s)); }

double ToDouble(const std::string& s) {
  const size_t n = s.size();
  bool neg = false;
  const size_t i = SkipBlanksAndSign(s, neg);
  if (i >= n || !((s[i] >= '0' && s[i] <= '9') || s[i] == '.')) return 0.0;
  double v = 0.0;
  const auto res = std::from_chars(s.data() + i, s.data() + n, v, std::chars_format::general);
  if (res.ec == std::errc::invalid_argument) return 0.0;
  // A number no double can hold reads as 0, like a text without one.
  if (res.ec == std::errc::result_out_of_range) v = 0.0;
  return neg ? -v : v;
}

std::string Str(int64_t v) { return std::to_string(v); }

std::string StrF(double v) {
  char buf[64];
  const auto res = std::to_chars(buf, buf + sizeof buf, v);
  return std::string(buf, res.ptr);
}

// ---- angles in degrees -----------------------------------------------------------------

namespace {
constexpr double kPi = 3.14159265358979323846;
}  // namespace

double Sin(double degrees) { return std::sin(degrees * (kPi / 180.0)); }
double Cos(double degrees) { return std::cos(degrees * (kPi / 180.0)); }
double ATan2(double y, double x) { return std::atan2(y, x) * (180.0 / kPi); }

// ---- shared random generator --------------------------------------------------------

namespace {
constexpr int64_t kRndModulus = 2147483647;
constexpr int32_t kRndStart = 4660;
int32_t g_rnd_state = kRndStart;

int32_t RndStep() {
  g_rnd_state = static_cast<int32_t>(static_cast<int64_t>(g_rnd_state) * 48271 % kRndModulus);
  return g_rnd_state;
}
}  // namespace

void SeedRnd(int32_t seed) {
  int32_t s = seed & 0x7FFFFFFF;
  if (s == 0 || s == 0x7FFFFFFF) s = kRndStart;
  g_rnd_state = s;
}

int32_t RndSeed() { return g_rnd_state; }

double RndUnit() {
  const int32_t s1 = RndStep();
  const int32_t s2 = RndStep();
  return (static_cast<double>(s1 & 0x1FFFFFFC) + static_cast<double>(s2 & 0x1FFFFFF8) / 134217728.0) /
         536870912.0;
}

double Rnd(double a, double b) {
  const double lo = a < b ? a : b;
  const double hi = a < b ? b : a;
  return lo + RndUnit() * (hi - lo);
}

int32_t Rand(int32_t a, int32_t b) {
  const double x = RndUnit();
  const int64_t lo = a < b ? a : b;
  const int64_t hi = a < b ? b : a;
  // The span can exceed 32 bits (Rand(INT32_MIN, INT32_MAX)); the result cannot.
  const int64_t r = lo + static_cast<int64_t>(x * static_cast<double>(hi - lo + 1));
  return static_cast<int32_t>(r > hi ? hi : r);
}

// ---- wall clock ---------------------------------------------------------------------

namespace {
std::function<LocalDateTime()>& ClockHook() {
  static std::function<LocalDateTime()> hook;
  return hook;
}
std::function<void(const std::string&)>& LogHook() {
  static std::function<void(const std::string&)> hook;
  return hook;
}

std::string TwoDigits(int v) {
  std::string r = std::to_string(v < 0 ? -v : v);
  if (r.size() < 2) r.insert(r.begin(), '0');
  return r;
}
}  // namespace

void SetLocalClockHook(std::function<LocalDateTime()> hook) { ClockHook() = std::move(hook); }

LocalDateTime ReadLocalClock() {
  if (ClockHook()) return ClockHook()();
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  tm t{};
  const time_t secs = ts.tv_sec;
  localtime_r(&secs, &t);
  LocalDateTime r;
  r.year = t.tm_year + 1900;
  r.month = t.tm_mon + 1;
  r.day = t.tm_mday;
  r.hour = t.tm_hour;
  r.minute = t.tm_min;
  r.second = t.tm_sec > 59 ? 59 : t.tm_sec;  // a leap second reads as :59
  r.millisecond = static_cast<int>(ts.tv_nsec / 1000000);
  return r;
}

std::string FormatDate(const LocalDateTime& t) {
  static const char* const kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  const int m = t.month >= 1 && t.month <= 12 ? t.month - 1 : 0;
  std::string year = std::to_string(t.year);
  while (year.size() < 4) year.insert(year.begin(), '0');
  return TwoDigits(t.day) + " " + kMonths[m] + " " + year;
}

std::string FormatTime(const LocalDateTime& t) {
  return TwoDigits(t.hour) + ":" + TwoDigits(t.minute) + ":" + TwoDigits(t.second);
}

void CurrentDateTime(std::string& date, std::string& time) {
  const LocalDateTime now = ReadLocalClock();
  date = FormatDate(now);
  time = FormatTime(now);
}

std::string CurrentDate() { return FormatDate(ReadLocalClock()); }
std::string CurrentTime() { return FormatTime(ReadLocalClock()); }

// ---- diagnostics and memory ------------------------------------------------------------

namespace {
// Read by the signal handler, so nothing wider than this.
volatile std::sig_atomic_t g_starting_up = 1;
}  // namespace

bool StartingUp() { return g_starting_up != 0; }

void SetStartingUp(bool on) { g_starting_up = on ? 1 : 0; }

std::string AppTitle;

void DebugLog(const std::string& text) {
  if (LogHook()) LogHook()(text);
}

void SetDebugLogHook(std::function<void(const std::string&)> hook) { LogHook() = std::move(hook); }

namespace {
// Free heap space below this stays with the allocator: handing back a few pages
// every other frame would only make the next allocations fault them in again.
constexpr size_t kTrimThreshold = 4 << 20;
}  // namespace

int64_t GCCollect() {
  // Under the sanitizers the heap is theirs; purging it would also empty the
  // quarantine that catches use after free, so nothing is handed back.
  if (__sanitizer_get_heap_size) return 0;
  const struct mallinfo2 before = mallinfo2();
  if (before.fordblks < kTrimThreshold) return 0;
  if (malloc_trim(0) == 0) return 0;
  const struct mallinfo2 after = mallinfo2();
  const int64_t held_before = static_cast<int64_t>(before.arena + before.hblkhd);
  const int64_t held_after = static_cast<int64_t>(after.arena + after.hblkhd);
  const int64_t shrunk = held_before > held_after ? held_before - held_after : 0;
  // Pages handed back from inside the heap stay counted as free heap space;
  // the whole pages of that space are what went back.
  const int64_t pages = static_cast<int64_t>(before.fordblks & ~static_cast<size_t>(4095));
  return shrunk > pages ? shrunk : pages;
}

int64_t GCMemAlloced() {
  if (__sanitizer_get_current_allocated_bytes)
    return static_cast<int64_t>(__sanitizer_get_current_allocated_bytes());
  const struct mallinfo2 mi = mallinfo2();
  return static_cast<int64_t>(mi.uordblks + mi.hblkhd);
}
