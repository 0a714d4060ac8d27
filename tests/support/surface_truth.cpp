#include "tests/support/surface_truth.h"

#include <cmath>

#include "scan/point_reconstruction.h"
#include "segment/surface_classes.h"

namespace quorvel::test {

namespace {

constexpr uint8_t TRUTH_KERB_FACE = 4;

double horizontalDistance(const Vec3& a, const double* b) {
  return std::hypot(a[0] - b[0], a[1] - b[1]);
}

// Which sides of line l the truth's kerb faces were seen on.
std::array<bool, 2> seenKerbs(const ScanStore& store, const WorldPoints& points,
                              const SimulatedProject& truth, int32_t l, const double* kerbs) {
  std::array<bool, 2> seen{};
  const size_t P = static_cast<size_t>(store.pointsPerLine);
  for (int32_t s = 0; s < store.pointsPerLine; ++s) {
    Vec3 p;
    if (truth.truth[static_cast<size_t>(l) * P + static_cast<size_t>(s)] != TRUTH_KERB_FACE ||
        !points(l, s, p)) {
      continue;
    }
    const double right = std::isnan(kerbs[0]) ? INFINITY : horizontalDistance(p, kerbs);
    const double left = std::isnan(kerbs[4]) ? INFINITY : horizontalDistance(p, kerbs + 4);
    seen[left < right ? 1 : 0] = true;
  }
  return seen;
}

void measureKerbs(const ScanStore& store, const WorldPoints& points, const SimulatedProject& truth,
                  SurfaceTruthMeasure& m) {
  const double* previous[2] = {nullptr, nullptr};
  for (int32_t l = 0; l < store.lineCount; ++l) {
    const double* kerbs = truth.kerbTruth.data() + 8 * static_cast<size_t>(l);
    const std::array<bool, 2> seen = seenKerbs(store, points, truth, l, kerbs);
    for (int side = 0; side < 2; ++side) {
      const double* kerb = kerbs + 4 * side;
      const KerbFoot& foot = (*store.kerbFeet)[2 * static_cast<size_t>(l) + side];
      const bool exists = !std::isnan(kerb[0]);
      const double length = exists && previous[side] ? std::hypot(kerb[0] - previous[side][0],
                                                                  kerb[1] - previous[side][1])
                                                     : 0.0;
      previous[side] = exists ? kerb : nullptr;
      const double error = exists && foot.found
                               ? std::sqrt(std::pow(horizontalDistance(foot.foot, kerb), 2) +
                                           std::pow(foot.foot[2] - kerb[2], 2))
                               : INFINITY;
      if (foot.found && error > KERB_MATCH) ++m.kerbExtra;
      if (!seen[side]) continue;
      m.kerbTruthLength += length;
      if (error > KERB_MATCH) continue;
      m.kerbFoundLength += length;
      m.kerbSquaredError += error * error;
      ++m.kerbFound;
    }
  }
}

}  // namespace

double SurfaceTruthMeasure::precision() const {
  return static_cast<double>(carriagewayTrue) /
         static_cast<double>(carriagewayTrue + carriagewayFalse);
}
double SurfaceTruthMeasure::recall() const {
  return static_cast<double>(carriagewayTrue) /
         static_cast<double>(carriagewayTrue + carriagewayMissed);
}
double SurfaceTruthMeasure::kerbRms() const {
  return std::sqrt(kerbSquaredError / static_cast<double>(kerbFound));
}
double SurfaceTruthMeasure::kerbFraction() const {
  return kerbFoundLength / kerbTruthLength;
}

void SurfaceTruthMeasure::add(const SurfaceTruthMeasure& o) {
  carriagewayTrue += o.carriagewayTrue;
  carriagewayFalse += o.carriagewayFalse;
  carriagewayMissed += o.carriagewayMissed;
  kerbTruthLength += o.kerbTruthLength;
  kerbFoundLength += o.kerbFoundLength;
  kerbSquaredError += o.kerbSquaredError;
  kerbFound += o.kerbFound;
  kerbExtra += o.kerbExtra;
  for (size_t t = 0; t < confusion.size(); ++t) {
    for (size_t c = 0; c < confusion[t].size(); ++c) confusion[t][c] += o.confusion[t][c];
  }
}

SurfaceTruthMeasure measureSurfaceTruth(const ScanStore& store, const SensorCalib& calib,
                                        const SimulatedProject& truth) {
  SurfaceTruthMeasure m;
  const std::vector<uint8_t>& classes = *store.surfaceClassMap;
  for (size_t i = 0; i < classes.size(); ++i) {
    const bool isRoad = truth.truth[i] == SURFACE_CARRIAGEWAY;
    const bool saysRoad = classes[i] == SURFACE_CARRIAGEWAY;
    m.carriagewayTrue += isRoad && saysRoad;
    m.carriagewayFalse += !isRoad && saysRoad;
    m.carriagewayMissed += isRoad && !saysRoad;
    if (truth.truth[i] < 7 && classes[i] < 6) ++m.confusion[truth.truth[i]][classes[i]];
  }
  measureKerbs(store, WorldPoints(store, calib), truth, m);
  return m;
}

}  // namespace quorvel::test
