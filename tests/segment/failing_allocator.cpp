#include "tests/segment/failing_allocator.h"

#include <cstdlib>
#include <new>

namespace quorvel::test {

std::atomic<long> allocationsBeforeFailure{-1};

}  // namespace quorvel::test

namespace {

void* allocate(std::size_t size) {
  using quorvel::test::allocationsBeforeFailure;
  if (allocationsBeforeFailure.load() >= 0 && allocationsBeforeFailure.fetch_sub(1) == 0) {
    throw std::bad_alloc();
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) {
  return allocate(size);
}
void* operator new[](std::size_t size) {
  return allocate(size);
}
void operator delete(void* p) noexcept {
  std::free(p);
}
void operator delete[](void* p) noexcept {
  std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
  std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
  std::free(p);
}
