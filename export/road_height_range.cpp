#include "export/road_height_range.h"

#include <cmath>
#include <vector>

#include "features/range_image.h"  // for lineMajorIndex
#include "scan/point_reconstruction.h"
#include "segment/line_class.h"

namespace quorvel {

namespace {

// The heights of the valid road samples of every second line and every second column.
std::vector<double> sampledRoadHeights(const ExportSources& sources) {
  const ScanStore& store = sources.store;
  const std::vector<uint8_t>& mask = *store.lineSegmentMask;
  std::vector<double> heights;
  const WorldPoints worldPoint(store, sources.calib);
  for (int32_t l = 0; l < store.lineCount; l += 2) {
    for (int32_t s = 0; s < store.pointsPerLine; s += 2) {
      if (mask[lineMajorIndex(store, l, s)] != LINE_CLASS_ROAD) continue;
      Vec3 point;
      if (worldPoint(l, s, point)) heights.push_back(point[2]);
    }
  }
  return heights;
}

// The share of the heights in each bin of binWidth from lowest; a height at 256 bin widths or
// more (the highest itself) is not counted. At least the lowest height is counted.
HeightHistogram heightShares(const std::vector<double>& heights, double lowest, double binWidth) {
  HeightHistogram bins{};
  int32_t counted = 0;
  for (double z : heights) {
    const double b = (z - lowest) / binWidth;
    if (b >= 0.0 && b < HEIGHT_BINS) {
      bins[static_cast<size_t>(b)] += 1.0;
      ++counted;
    }
  }
  for (double& bin : bins) bin /= counted;
  return bins;
}

}  // namespace

void trimHistogramTails(const HeightHistogram& bins, int32_t& lo, int32_t& hi) {
  lo = 0;
  hi = HEIGHT_BINS - 1;
  double trimmed = 0.0;
  do {
    if (bins[lo] < bins[hi]) {
      if (bins[lo] >= TRIMMED_SHARE) return;
      trimmed += bins[lo++];
    } else {
      if (bins[hi] >= TRIMMED_SHARE) return;
      trimmed += bins[hi--];
    }
  } while (trimmed < TRIMMED_SHARE);
}

bool roadHeightRange(const ExportSources& sources, double& low, double& high) {
  if (!hasScanLines(sources.store) ||
      missingExportInput(sources.store, ExportKind::RoadHeightMap)) {
    return false;
  }
  const std::vector<double> heights = sampledRoadHeights(sources);
  double lowest = 99999999.0;
  double highest = -99999999.0;
  for (double z : heights) {
    if (z >= highest) highest = z;
    if (z <= lowest) lowest = z;
  }
  const double binWidth = (highest - lowest) * 0.00390625;
  if (!(binWidth > 0.0 && std::isfinite(binWidth))) return false;
  int32_t lo = 0;
  int32_t hi = 0;
  trimHistogramTails(heightShares(heights, lowest, binWidth), lo, hi);
  high = (hi + 0.5) * binWidth + lowest;
  low = (lo - 0.5) * binWidth + lowest;
  return true;
}

void RoadHeightRange(double& low, double& high) {
  roadHeightRange(processExportSources(), low, high);
}

}  // namespace quorvel
