// Splitting independent work over worker threads. Each index is handled by exactly one call,
// so results do not depend on the number of threads.
#pragma once

#include <cstddef>
#include <functional>

#include "scan/stage_control.h"

namespace quorvel {

// The vector instructions of the side-by-side kernels: SSE2 only, or the widest this build has
// that the processor supports (AVX2). Results are the same to the bit either way.
enum class VectorUnit { baseline, widest };

// How a stage runs: on how many threads, with which vector unit, and under which control
// (stopping it, following its progress: scan/stage_control.h).
struct ParallelOptions {
  int threads = 0;  // worker threads for the parallel stages; 0 = one per core
  VectorUnit vectors = VectorUnit::widest;
  StageControl control{};
};

extern ParallelOptions parallelOptions;  // process-wide; the command line's --threads

int workerCount(const ParallelOptions& options);  // threads to use, at least 1

// Calls body(begin, end) on contiguous, disjoint ranges covering 0 .. count - 1, on up to
// workerCount(options) threads, and returns when all are done.
void parallelFor(size_t count, const ParallelOptions& options,
                 const std::function<void(size_t begin, size_t end)>& body);

}  // namespace quorvel
