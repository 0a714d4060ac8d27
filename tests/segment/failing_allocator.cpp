#include "tests/segment/failing_allocator.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>

#include "platform/headless/headless_platform.h"

namespace {

// The number of allocations that still succeed before one throws std::bad_alloc; negative: no
// allocation fails. Set back to -1 by the failing allocation itself.
std::atomic<long> allocationsBeforeFailure{-1};

}  // namespace

namespace quorvel::test {

int runWithFailingAllocation(long failAt, const std::function<int()>& stage, bool& failed) {
  allocationsBeforeFailure = failAt;
  const int result = stage();
  failed = allocationsBeforeFailure.load() < 0;
  allocationsBeforeFailure = -1;
  return result;
}

void expectOneMemoryMessage(size_t messagesBefore, const char* text) {
  ASSERT_EQ(shownStageMessages().size(), messagesBefore + 1);
  EXPECT_EQ(shownStageMessages().back().text, text);
  EXPECT_EQ(shownStageMessages().back().caption, "Error");
}

}  // namespace quorvel::test

namespace {

void* allocate(std::size_t size) {
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
