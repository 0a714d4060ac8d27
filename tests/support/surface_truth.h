// The surface classification measured against the simulator's truth: precision and recall of
// the carriageway, and the kerb feet against the kerbs the simulator placed. A truth kerb counts
// on a line and side where the scanner saw its face (a sample of truth class 4 nearer to that
// side's kerb than to the other); a kerb foot is found when it lies within KERB_MATCH of it.
#pragma once

#include <array>
#include <cstdint>

#include "scan/calib_file.h"
#include "scan/scan_store.h"
#include "sim/simulator.h"

namespace quorvel::test {

inline constexpr double KERB_MATCH = 0.25;  // metres

struct SurfaceTruthMeasure {
  int64_t carriagewayTrue = 0, carriagewayFalse = 0, carriagewayMissed = 0;  // samples
  double kerbTruthLength = 0, kerbFoundLength = 0;  // metres along the truth kerbs seen
  double kerbSquaredError = 0;                      // summed over the found feet (m^2)
  int64_t kerbFound = 0, kerbExtra = 0;  // feet matched; feet with no truth kerb near them
  std::array<std::array<int64_t, 6>, 7> confusion{};  // [truth class][surface class]

  double precision() const;
  double recall() const;
  double kerbRms() const;       // metres
  double kerbFraction() const;  // of the truth kerb length seen
  void add(const SurfaceTruthMeasure& other);
};

// Compares the store's surface classes and kerb feet (classifySurfaces has run) with the truth.
SurfaceTruthMeasure measureSurfaceTruth(const ScanStore& store, const SensorCalib& calib,
                                        const SimulatedProject& truth);

}  // namespace quorvel::test
