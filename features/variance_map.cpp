#include "features/variance_map.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <vector>

#include "features/block_deviation_lanes.h"
#include "features/lane_dispatch.h"
#include "features/sample_plane_fits.h"
#include "scan/stage_message.h"

namespace quorvel {

namespace {

// Working buffers of one run, released when it ends.
struct VarianceWork {
  std::vector<double> residuals;  // sample-major; NO_VARIANCE where no fit was stored
  std::vector<FitWorker> workers;
};

void showMemoryFailure(const char* text) {
  showStageMessage(text, "Error");
}

// Keeps a VarianceMap of the right size (its values are reset later); allocates one otherwise.
bool ensureVarianceMap(ScanStore& store, size_t count) {
  if (store.varianceMap && store.varianceMap->size() == count) return true;
  store.varianceMap.reset();
  try {
    store.varianceMap.emplace(count, NO_VARIANCE);
  } catch (const std::bad_alloc&) {
    showMemoryFailure("Memory failure in createVarianceMap.");
    return false;
  }
  return true;
}

bool allocateWork(const ScanStore& store, const SegmentParams& params,
                  const ParallelOptions& parallel, size_t count, VarianceWork& work) {
  try {
    work.residuals.assign(count, NO_VARIANCE);
    work.workers = allocateFitWorkers(store, params, parallel);
  } catch (const std::bad_alloc&) {
    showMemoryFailure("Memory failure in Variance2MeshBmp.");
    return false;
  }
  return true;
}

bool allocateNormals(size_t count, std::vector<Vec3>& normals) {
  try {
    normals.assign(count, {NO_NORMAL, NO_NORMAL, NO_NORMAL});
  } catch (const std::bad_alloc&) {
    showMemoryFailure("Memory failure in createVarianceMap.");
    return false;
  }
  return true;
}

}  // namespace

void varianceFromResiduals(const std::vector<double>& residuals, int32_t lines, int32_t samples,
                           const ParallelOptions& parallel, std::vector<double>& variance) {
  const size_t L = static_cast<size_t>(lines), P = static_cast<size_t>(samples);
  if (L < 3 || P < 3) return;
  const auto blockDeviations =
      useAvx2Lanes(parallel) ? avx2::blockDeviations : baseline::blockDeviations;
  parallelFor(P - 2, parallel, [&](size_t begin, size_t end) {
    for (size_t s = begin + 1; s < end + 1; ++s) {
      blockDeviations(residuals.data(), L, s, variance.data());
    }
  });
}

int32_t minFitPoints(int32_t winHalfSize) {
  const int32_t side = 2 * winHalfSize + 1;
  return static_cast<int32_t>((side * side - 1) * 0.25);
}

void meanAndStdDev(const double* values, int32_t n, double& mean, double& sd) {
  if (n <= 0) {
    mean = 0.0;
    sd = 0.0;
  } else if (n == 1) {
    mean = values[0];
    sd = 0.0;
  } else if (n == 2) {
    mean = (values[0] + values[1]) / 2;
    sd = std::fabs(values[0] - values[1]) / 2;
  } else {
    double sum = 0.0, squares = 0.0;
    for (int32_t i = 0; i < n; ++i) {
      sum += values[i];
      squares += values[i] * values[i];
    }
    mean = sum / n;
    const double spread = squares - n * (mean * mean);
    sd = spread < 0 ? 0.0 : std::sqrt(spread / (n - 1));
  }
}

int computeVarianceMap(ScanStore& store, const SensorCalib& calib, const SegmentParams& params,
                       const ParallelOptions& parallel) {
  if (store.varianceMap && store.normalMap) return 1;
  if (params.winHalfSize < 1 || params.winHalfSize > MAX_WIN_HALF_SIZE) return 0;
  const size_t count =
      static_cast<size_t>(store.lineCount) * static_cast<size_t>(store.pointsPerLine);
  const bool hadVarianceMap = store.varianceMap.has_value();
  if (!ensureVarianceMap(store, count)) return 0;
  VarianceWork work;
  if (!allocateWork(store, params, parallel, count, work)) return 0;
  std::fill(store.varianceMap->begin(), store.varianceMap->end(), NO_VARIANCE);
  std::vector<Vec3> normals;
  if (!allocateNormals(count, normals)) return 0;
  StageRun run(parallel.control, static_cast<size_t>(store.lineCount));
  fitSamplePlanes(store, calib, params, parallel, work.workers, normals, work.residuals, run);
  if (run.stopped()) {
    if (!hadVarianceMap) store.varianceMap.reset();
    return 0;
  }
  varianceFromResiduals(work.residuals, store.lineCount, store.pointsPerLine, parallel,
                        *store.varianceMap);
  // Only a finished run publishes a NormalMap: its presence marks both buffers as computed.
  store.normalMap = std::move(normals);
  return 1;
}

int createVarianceMap() {
  return computeVarianceMap(scanStore, sensorCalib, segmentParams, parallelOptions);
}

}  // namespace quorvel
