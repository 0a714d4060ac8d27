// The scans the benchmarks measure on: simulated 0.5-degree street drives. The 20 000-line scan
// is made once per run.
#pragma once

#include "scan/calib_file.h"
#include "scan/scan_store.h"

namespace quorvel::bench {

inline constexpr int BENCH_LINES = 20000;  // 7.2 million samples

struct BenchScan {
  ScanStore store;
  SensorCalib calib;
};

const BenchScan& benchScan();  // BENCH_LINES lines

BenchScan simulateBenchScan(int lines);  // the same simulation options, `lines` lines

// The scan lines and header of a store, without its derived buffers.
ScanStore copyOfScan(const ScanStore& from);

}  // namespace quorvel::bench
