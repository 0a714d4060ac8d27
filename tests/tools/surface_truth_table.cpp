// The surface classification measured against the simulator's truth, one row per scene and
// set-up: carriageway precision and recall, the kerb feet's RMS error and the share of the truth
// kerb length found, kerb feet with no truth kerb near them, and the stage's time.
//
//   surface_truth_table [--lines N] [--seed N] [--confusion] [--dump DIR]
//
// --confusion adds each row's samples by truth class (rows 0 ... 6) and surface class (columns
// 0 ... 5); --dump writes each simulated project with its surface.npy into DIR/SCENE-SETUP.
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "export/npy_file.h"
#include "segment/surface_classification.h"
#include "sim/simulator.h"
#include "tests/support/simulated_scan.h"
#include "tests/support/surface_truth.h"

using namespace quorvel;

namespace {

struct Options {
  int lines = 4000;
  uint64_t seed = 1;
  bool confusion = false;
  std::string dump;
};

bool parse(int argc, char** argv, Options& options) {
  for (int i = 1; i < argc; ++i) {
    const bool hasValue = i + 1 < argc;
    if (!std::strcmp(argv[i], "--lines") && hasValue) {
      options.lines = std::stoi(argv[++i]);
    } else if (!std::strcmp(argv[i], "--seed") && hasValue) {
      options.seed = std::stoull(argv[++i]);
    } else if (!std::strcmp(argv[i], "--dump") && hasValue) {
      options.dump = argv[++i];
    } else if (!std::strcmp(argv[i], "--confusion")) {
      options.confusion = true;
    } else {
      return false;
    }
  }
  return true;
}

bool dump(const test::SimulatedScan& scan, const std::string& dir) {
  const size_t shape[] = {static_cast<size_t>(scan.store.lineCount),
                          static_cast<size_t>(scan.store.pointsPerLine)};
  return writeSimulatedProject(scan.project, dir).ok() &&
         writeNpyFile(dir + "/surface.npy", shape,
                      std::span<const uint8_t>(*scan.store.surfaceClassMap))
             .ok();
}

void printRow(const char* scene, double setup, const test::SurfaceTruthMeasure& m, double ms,
              bool confusion) {
  std::printf("%-10s %5.2f %9.4f %9.4f ", scene, setup, m.precision(), m.recall());
  if (m.kerbTruthLength > 0) {
    std::printf("%8.2f %7.1f", 100 * m.kerbRms(), 100 * m.kerbFraction());
  } else {
    std::printf("%8s %7s", "-", "-");  // the scene has no kerb the scanner sees
  }
  std::printf(" %6lld %6.0f\n", static_cast<long long>(m.kerbExtra), ms);
  if (!confusion) return;
  for (size_t t = 0; t < m.confusion.size(); ++t) {
    std::printf("  truth %zu:", t);
    for (const int64_t n : m.confusion[t]) std::printf(" %9lld", static_cast<long long>(n));
    std::printf("\n");
  }
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  if (!parse(argc, argv, options)) {
    std::fprintf(stderr,
                 "usage: surface_truth_table [--lines N] [--seed N] [--confusion] "
                 "[--dump DIR]\n");
    return 2;
  }
  std::printf("%-10s %5s %9s %9s %8s %7s %6s %6s\n", "scene", "setup", "precision", "recall",
              "kerb cm", "kerb %", "extra", "ms");
  for (const char* scene : {"street", "hills", "hills-cut", "hills-fill"}) {
    for (const double setup : {1.0, 0.5, 0.25}) {
      test::SimulatedScan scan;
      test::loadSimulatedScan({scene, options.lines, setup, options.seed}, scan);
      const auto start = std::chrono::steady_clock::now();
      if (!classifySurfaces(scan.store, scan.calib, {})) return 1;
      const std::chrono::duration<double, std::milli> took =
          std::chrono::steady_clock::now() - start;
      printRow(scene, setup, test::measureSurfaceTruth(scan.store, scan.calib, scan.project),
               took.count(), options.confusion);
      const std::string dir = options.dump + "/" + scene + "-" + std::to_string(setup);
      if (!options.dump.empty() && !dump(scan, dir)) return 1;
    }
  }
  return 0;
}
