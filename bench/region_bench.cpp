// Region segmentation (USFsegger) on simulated 0.5-degree street drives: the production path
// on the 20 000-line benchmark scan, with the resident memory the stage adds at its peak, and
// the literal form against the production path on shorter drives, both timed in one run and
// reported as the ratio of their times. The surface estimation they read is made once, outside
// the timing. Linux only (/proc/self).
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>

#include "bench/bench_scan.h"
#include "features/variance_map.h"
#include "segment/region_segmentation.h"
#include "tests/reference/region_reference.h"

namespace quorvel::bench {
namespace {

// A copy of the scan with the VarianceMap and NormalMap the segmentation reads.
BenchScan withSurface(const BenchScan& scan) {
  BenchScan result{copyOfScan(scan.store), scan.calib};
  if (!computeVarianceMap(result.store, result.calib, SegmentParams{}, ParallelOptions{0})) {
    std::cerr << "cannot estimate the surface of the benchmark scan\n";
    std::exit(1);
  }
  return result;
}

// The stage keeps its result once made, so every run starts without one.
void dropRegions(ScanStore& store) {
  store.labelMap.reset();
  store.segmentTable.reset();
}

double secondsOf(const std::function<void()>& work) {
  const auto start = std::chrono::steady_clock::now();
  work();
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// A "VmRSS:" or "VmHWM:" (peak) line of /proc/self/status, in megabytes.
double residentMegabytes(const std::string& field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind(field, 0) == 0) return std::stod(line.substr(field.size())) / 1024.0;
  }
  return 0.0;
}

// Lets VmHWM start again from the present resident size (Linux 4.0 and later).
void resetResidentPeak() {
  std::ofstream("/proc/self/clear_refs") << "5";
}

int32_t segmentsOf(const ScanStore& store) {
  int32_t count = 0;
  for (uint16_t label : *store.labelMap) {
    if (label < MAX_SEGMENTS) count = std::max<int32_t>(count, label + 1);
  }
  return count;
}

void BM_USFsegger(benchmark::State& state) {
  static BenchScan scan = withSurface(benchScan());
  double before = 0, peak = 0;
  for (auto _ : state) {
    state.PauseTiming();
    dropRegions(scan.store);
    before = residentMegabytes("VmRSS:");
    resetResidentPeak();
    state.ResumeTiming();
    segmentRegions(scan.store, scan.calib, SegmentParams{}, {});
    peak = std::max(peak, residentMegabytes("VmHWM:"));
  }
  state.counters["lines"] = scan.store.lineCount;
  state.counters["segments"] = segmentsOf(scan.store);
  state.counters["rss_before_MB"] = before;  // scan, VarianceMap, NormalMap, simulator leftovers
  state.counters["stage_peak_MB"] = peak - before;
}
BENCHMARK(BM_USFsegger)->Unit(benchmark::kSecond)->UseRealTime();

// Arg: scan lines of the drive.
void BM_LiteralOverProduction(benchmark::State& state) {
  BenchScan scan = withSurface(simulateBenchScan(static_cast<int>(state.range(0))));
  double literal = 0, production = 0;
  for (auto _ : state) {
    std::vector<uint16_t> labels;
    std::vector<SegmentRecord> table;
    literal += secondsOf(
        [&] { reference::literalRegions(scan.store, scan.calib, SegmentParams{}, labels, table); });
    dropRegions(scan.store);
    production += secondsOf([&] { segmentRegions(scan.store, scan.calib, SegmentParams{}, {}); });
  }
  state.counters["segments"] = segmentsOf(scan.store);
  state.counters["literal_s"] = literal;
  state.counters["production_s"] = production;
  state.counters["ratio"] = literal / production;
}
BENCHMARK(BM_LiteralOverProduction)
    ->Arg(500)
    ->Arg(2000)
    ->Iterations(1)
    ->Unit(benchmark::kSecond)
    ->UseRealTime();

}  // namespace
}  // namespace quorvel::bench

BENCHMARK_MAIN();
