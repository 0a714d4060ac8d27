#include "tests/segment/failing_allocator.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Allocations that still succeed before one throws; negative: none fails (also after it).
std::atomic<long> allocationsBeforeFailure{-1};

}  // namespace

void quorvel::test::failAllocation(long n) {
  allocationsBeforeFailure = n;
}
bool quorvel::test::allocationFailed() {
  return allocationsBeforeFailure.load() < 0;
}

// The library's array forms of operator new and delete call these.
void* operator new(std::size_t size) {
  if (allocationsBeforeFailure.load() >= 0 && allocationsBeforeFailure.fetch_sub(1) == 0) {
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
