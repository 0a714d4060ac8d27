// A global operator new that fails on request, for the memory tests of the segmentation
// stages. Linking failing_allocator.cpp replaces operator new for the whole test program, so
// only the memory test program links it.
#pragma once

#include <atomic>

namespace quorvel::test {

// The number of allocations that still succeed before one throws std::bad_alloc; negative: no
// allocation fails. Set back to -1 by the failing allocation itself.
extern std::atomic<long> allocationsBeforeFailure;

}  // namespace quorvel::test
