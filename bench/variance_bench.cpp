// Surface variance and normal estimation on the 20 000-line benchmark scan: the literal form
// (every neighbour point reconstructed per window, one thread) against the production path on
// one thread with AVX2 (where the processor has it) and with SSE2 only, and on all cores.
// Reports samples per second of wall-clock time.
#include <benchmark/benchmark.h>

#include "bench/bench_scan.h"
#include "features/variance_map.h"
#include "tests/reference/variance_reference.h"

namespace quorvel::bench {
namespace {

void countSamples(benchmark::State& state, const ScanStore& store) {
  const double samples = static_cast<double>(store.lineCount) * store.pointsPerLine;
  state.counters["samples_per_s"] = benchmark::Counter(
      samples * static_cast<double>(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_VarianceMapLiteral(benchmark::State& state) {
  const BenchScan& scan = benchScan();
  std::vector<double> variance;
  std::vector<Vec3> normals;
  for (auto _ : state) {
    reference::literalVarianceMap(scan.store, scan.calib, SegmentParams{}, variance, normals);
  }
  countSamples(state, scan.store);
}
BENCHMARK(BM_VarianceMapLiteral)->Unit(benchmark::kSecond)->UseRealTime();

// Args: worker threads (0 = one per core); 1 for the widest vectors the processor has, 0 for
// SSE2 only.
void BM_VarianceMap(benchmark::State& state) {
  const BenchScan& scan = benchScan();
  ScanStore store = copyOfScan(scan.store);
  for (auto _ : state) {
    state.PauseTiming();
    store.varianceMap.reset();
    store.normalMap.reset();
    state.ResumeTiming();
    const VectorUnit vectors = state.range(1) ? VectorUnit::widest : VectorUnit::baseline;
    computeVarianceMap(store, scan.calib, SegmentParams{},
                       ParallelOptions{static_cast<int>(state.range(0)), vectors});
  }
  countSamples(state, store);
}
BENCHMARK(BM_VarianceMap)
    ->Args({1, 1})
    ->Args({1, 0})
    ->Args({0, 1})
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace quorvel::bench

BENCHMARK_MAIN();
