// A global operator new that fails on request, for the memory tests of the segmentation
// stages. Linking failing_allocator.cpp replaces operator new for the whole test program, so
// only the memory test program links it.
#pragma once

namespace quorvel::test {

void failAllocation(long n);  // allocation n from now on (0: the next) throws std::bad_alloc
bool allocationFailed();      // whether it has happened; then no further allocation fails

}  // namespace quorvel::test
