// Region segmentation: the valid samples are grown into surface segments over the sample grid.
// Seeds come in order of increasing surface variance (lowest sample-major index among equals);
// a region takes grid neighbours whose points lie within maxPointDist of a member whose
// variance is at most the region's threshold T (mean variance of the seed's unassigned 5 x 5
// neighbours plus half the variance tolerance). Growth runs in sweeps over a window that widens
// on the sides where the last sweep accepted samples, sample column outer and scan line inner;
// sample column 0 and scan line 0 join only as seeds. A region of minRegionSize samples or more
// becomes segment k with a plane fit, bounding box, counts and class; smaller ones become
// NO_SEGMENT. The run stops after MAX_SEGMENTS segments.
//
// The production path visits only the samples whose state can change: the seeds from one sort,
// in each sweep the candidates next to the region in scan order. It accepts the points in
// exactly the order of the full sweeps, so the planes agree to the last bit.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "features/segment_params.h"
#include "scan/calib_file.h"
#include "scan/scan_store.h"
#include "scan/stage_control.h"
#include "segment/segment_labels.h"

namespace quorvel {

// The world points of the region being grown, in the order of acceptance; room for every sample.
// Left uninitialised: only the part the largest region fills is ever touched.
struct RegionPoints {
  std::unique_ptr<double[]> x, y, z;
};

// 0 for indices outside the grid (range untouched); otherwise range = rangeOf(l, s) and 1 when
// it lies in MIN_RANGE ... MAX_RANGE.
int SampleRange(const ScanStore& store, int32_t l, int32_t s, double& range);

// The whole segmentation on a zero-filled LabelMap (L x P) and SegmentTable (MAX_SEGMENTS) with
// points sized L x P; returns 1, or 0 when the control stopped it (while it ordered the seeds,
// or after some thousand samples a region took). Throws std::bad_alloc when its working lists
// cannot grow.
int growRegions(const ScanStore& store, const SensorCalib& calib, const SegmentParams& params,
                std::vector<uint16_t>& labelMap, std::vector<SegmentRecord>& segmentTable,
                RegionPoints& points, const StageControl& control);

// 1 when the store holds a LabelMap and SegmentTable afterwards (made now or already there);
// 0 without a VarianceMap or NormalMap (or with a VarianceMap not sized L x P), and 0 with
// "Memory failure in USFsegger." when a buffer cannot be allocated, 0 without a message when
// the control stops it. The results enter the store only when complete.
int segmentRegions(ScanStore& store, const SensorCalib& calib, const SegmentParams& params,
                   const StageControl& control);
int USFsegger();  // on the process-wide records

}  // namespace quorvel
