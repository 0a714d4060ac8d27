#include "features/sample_plane_fits.h"

#include <algorithm>

#include "features/fit_line_lanes.h"
#include "features/lane_dispatch.h"
#include "features/squared_distance_limit.h"
#include "features/variance_map.h"

namespace quorvel {

FitWorker::FitWorker() : scratch(std::make_unique<FitScratch>()) {}
FitWorker::FitWorker(FitWorker&&) noexcept = default;
FitWorker::~FitWorker() = default;

namespace {

using FitLine = void (*)(const LinePointRing&, const FitSettings&, int32_t, FitScratch&,
                         std::vector<Vec3>&, std::vector<double>&);

// Lines first ... last - 1, sliding the ring from K lines before the first.
void fitBand(FitLine fitLine, FitWorker& worker, const ScanStore& store, const SensorCalib& calib,
             const FitSettings& set, int32_t first, int32_t last, std::vector<Vec3>& normals,
             std::vector<double>& residualMap, StageRun& run) {
  worker.ring.start(std::max(first - set.K, 0));
  for (int32_t l = first; l < last; ++l) {
    worker.ring.fillUpTo(std::min(l + set.K, set.lines - 1), store, calib, worker.angles);
    fitLine(worker.ring, set, l, *worker.scratch, normals, residualMap);
    if (!run.advance()) return;
  }
}

}  // namespace

std::vector<FitWorker> allocateFitWorkers(const ScanStore& store, const SegmentParams& params,
                                          const ParallelOptions& parallel) {
  const int32_t bands = std::max(1, std::min(store.lineCount, workerCount(parallel)));
  std::vector<FitWorker> workers(static_cast<size_t>(bands));
  // The last group of a line reaches FIT_LANES - 1 samples past it, its window K more.
  const int32_t margin = params.winHalfSize + FIT_LANES - 1;
  for (FitWorker& worker : workers) {
    worker.ring.allocate(2 * params.winHalfSize + 1, store.pointsPerLine, margin);
    worker.angles = sampleAngles(store);
  }
  return workers;
}

void fitSamplePlanes(const ScanStore& store, const SensorCalib& calib, const SegmentParams& params,
                     const ParallelOptions& parallel, std::vector<FitWorker>& workers,
                     std::vector<Vec3>& normals, std::vector<double>& residualMap, StageRun& run) {
  const FitSettings set{store.lineCount,
                        store.pointsPerLine,
                        params.winHalfSize,
                        minFitPoints(params.winHalfSize),
                        squaredDistanceLimit(params.maxPointDist),
                        params.maxFitResidual};
  const FitLine fitLine = useAvx2Lanes(parallel) ? avx2::fitLine : baseline::fitLine;
  const size_t bands = workers.size();
  const size_t L = static_cast<size_t>(store.lineCount);
  parallelFor(bands, parallel, [&](size_t begin, size_t end) {
    for (size_t band = begin; band < end; ++band) {
      fitBand(fitLine, workers[band], store, calib, set, static_cast<int32_t>(L * band / bands),
              static_cast<int32_t>(L * (band + 1) / bands), normals, residualMap, run);
    }
  });
}

}  // namespace quorvel
