// Surface classification time on the 20 000-line benchmark scan, on one thread and on all cores.
#include <benchmark/benchmark.h>

#include "bench/bench_scan.h"
#include "segment/surface_classification.h"

namespace quorvel::bench {
namespace {

// The stage keeps its result once made, so every iteration works on a store without it.
void BM_SurfaceClasses(benchmark::State& state) {
  const BenchScan& scan = benchScan();
  ScanStore store = copyOfScan(scan.store);
  const ParallelOptions parallel{static_cast<int>(state.range(0))};
  for (auto _ : state) {
    classifySurfaces(store, scan.calib, parallel);
    state.PauseTiming();
    store.surfaceClassMap.reset();
    store.kerbFeet.reset();
    state.ResumeTiming();
  }
  state.counters["lines"] = store.lineCount;
}
BENCHMARK(BM_SurfaceClasses)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
}  // namespace quorvel::bench

BENCHMARK_MAIN();
