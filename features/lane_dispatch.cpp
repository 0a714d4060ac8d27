#include "features/lane_dispatch.h"

namespace quorvel {

namespace {

bool processorHasAvx2() {
#if defined(__x86_64__) || defined(__i386__)
  // Also false when the operating system does not save the AVX registers.
  __builtin_cpu_init();  // safe to repeat; needed when called before the constructors ran
  return __builtin_cpu_supports("avx2");
#else
  return false;
#endif
}

}  // namespace

bool useAvx2Lanes(const ParallelOptions& options) {
  static const bool available = processorHasAvx2();
  return options.vectors == VectorUnit::widest && available;
}

}  // namespace quorvel
