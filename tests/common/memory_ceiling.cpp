#include "common/memory_ceiling.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<int64_t> g_live{0};
std::atomic<int64_t> g_ceiling{-1};
std::atomic<bool> g_gone{false};

void* Allocate(std::size_t n) {
  if (g_gone.load(std::memory_order_relaxed)) return nullptr;
  const int64_t ceiling = g_ceiling.load(std::memory_order_relaxed);
  if (ceiling >= 0 && g_live.load() + static_cast<int64_t>(n) > ceiling) return nullptr;
  void* p = std::malloc(n == 0 ? 1 : n);
  if (p) g_live += static_cast<int64_t>(malloc_usable_size(p));
  return p;
}

void Release(void* p) noexcept {
  if (!p) return;
  g_live -= static_cast<int64_t>(malloc_usable_size(p));
  std::free(p);
}

void* AllocateOrThrow(std::size_t n) {
  if (void* p = Allocate(n)) return p;
  throw std::bad_alloc();
}

}  // namespace

namespace testutil {

void SetMemoryCeiling(int64_t headroom) { g_ceiling = g_live.load() + headroom; }
void TakeAllMemory() { g_gone = true; }
void LiftMemoryCeiling() {
  g_gone = false;
  g_ceiling = -1;
}

}  // namespace testutil

// new and delete here are one allocator over malloc and free, which the
// compiler would otherwise take for a pair that must not cross.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t n) { return AllocateOrThrow(n); }
void* operator new[](std::size_t n) { return AllocateOrThrow(n); }
void* operator new(std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void* operator new[](std::size_t n, const std::nothrow_t&) noexcept { return Allocate(n); }
void operator delete(void* p) noexcept { Release(p); }
void operator delete[](void* p) noexcept { Release(p); }
void operator delete(void* p, std::size_t) noexcept { Release(p); }
void operator delete[](void* p, std::size_t) noexcept { Release(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { Release(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { Release(p); }
#pragma GCC diagnostic pop
