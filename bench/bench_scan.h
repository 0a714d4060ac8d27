// The scan every benchmark measures on: a simulated 0.5-degree street drive, made once per run.
#pragma once

#include "scan/calib_file.h"
#include "scan/scan_store.h"

namespace quorvel::bench {

inline constexpr int BENCH_LINES = 20000;  // 7.2 million samples

struct BenchScan {
  ScanStore store;
  SensorCalib calib;
};

const BenchScan& benchScan();

}  // namespace quorvel::bench
