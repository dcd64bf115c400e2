// Loaded into the real game ahead of every library: an allocation through
// new of more than DUSKMOOR_NEW_LIMIT bytes fails with std::bad_alloc, as it
// does when the address space has no room that large left. The sanitizers'
// own new ends the program on any failure instead, so the game could not
// meet a failed allocation under them otherwise. Everything else is taken
// from malloc and given back to free.
#include <cstdlib>
#include <new>

namespace {

std::size_t Limit() {
  static const std::size_t limit = [] {
    const char* text = std::getenv("DUSKMOOR_NEW_LIMIT");
    return text ? static_cast<std::size_t>(std::strtoull(text, nullptr, 10)) : std::size_t{0};
  }();
  return limit;
}

void* Take(std::size_t n) {
  if (Limit() != 0 && n > Limit()) return nullptr;
  return std::malloc(n == 0 ? 1 : n);
}

void* TakeOrThrow(std::size_t n) {
  if (void* p = Take(n)) return p;
  throw std::bad_alloc();
}

}  // namespace

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) { return TakeOrThrow(n); }
void* operator new[](std::size_t n) { return TakeOrThrow(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Take(n); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
#pragma GCC diagnostic pop
