// A global operator new that fails on request, for the memory tests of the segmentation
// stages. Linking failing_allocator.cpp replaces operator new for the whole test program, so
// only the memory test program links it.
#pragma once

#include <cstddef>
#include <functional>

namespace quorvel::test {

// Runs the stage with its allocation number failAt (counted from 0) failing; `failed` tells
// whether the stage made that many allocations. Returns the stage's result.
int runWithFailingAllocation(long failAt, const std::function<int()>& stage, bool& failed);

// Expects exactly one stage message since messagesBefore: `text` with the caption "Error".
void expectOneMemoryMessage(size_t messagesBefore, const char* text);

}  // namespace quorvel::test
