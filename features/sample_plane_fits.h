// The first pass of the surface estimation: for every sample with a world point, a plane
// through the points of its (2K + 1) x (2K + 1) window that lie within maxPointDist of it (the
// sample's own point excluded), taken in window order, scan line offset outer. A fit of at
// least minFitPoints(K) points whose residual is at most maxFitResidual stores its normal and
// residual; other samples keep NO_NORMAL and NO_VARIANCE.
//
// The scan lines are split into one contiguous band per worker; each worker slides a ring of
// 2K + 1 lines of world points along its band, so a point is computed once per band instead of
// once per window that holds it. FIT_LANES neighbouring samples of a line are fitted side by
// side (fit_line_lanes.h), in the AVX2 form where the processor has it, every lane performing
// the floating-point operations of fitPlane and planeResidual on its own points in the same
// order, so every stored value is bit for bit the literal one.
#pragma once

#include <memory>
#include <vector>

#include "features/line_point_ring.h"
#include "features/segment_params.h"
#include "scan/parallel_for.h"

namespace quorvel {

struct FitScratch;  // per-worker working arrays of the side-by-side fits

// The working memory of one worker: its ring, its copy of the angle table and its fit arrays,
// allocated before the pass.
struct FitWorker {
  LinePointRing ring;
  SampleAngles angles;
  std::unique_ptr<FitScratch> scratch;

  FitWorker();
  FitWorker(FitWorker&&) noexcept;
  ~FitWorker();
};

// One worker per band of lines; throws std::bad_alloc when memory runs out.
std::vector<FitWorker> allocateFitWorkers(const ScanStore& store, const SegmentParams& params,
                                          const ParallelOptions& parallel);

// normals and residuals: L * P entries, sample-major, already holding the "no value" markers.
// params.winHalfSize must lie within 1 ... MAX_WIN_HALF_SIZE. Each fitted line is one unit of
// run, whose stop leaves the remaining lines undone.
void fitSamplePlanes(const ScanStore& store, const SensorCalib& calib, const SegmentParams& params,
                     const ParallelOptions& parallel, std::vector<FitWorker>& workers,
                     std::vector<Vec3>& normals, std::vector<double>& residuals, StageRun& run);

}  // namespace quorvel
