// The lower and upper road height of a scan: a 256-bin histogram of the road heights of every
// second line and column, with its tails trimmed to leave out about 5 % of the samples.
#pragma once

#include <array>
#include <cstdint>

#include "export/export_sources.h"

namespace quorvel {

inline constexpr int32_t HEIGHT_BINS = 256;
inline constexpr double TRIMMED_SHARE = 0.05;

// The histogram of road heights as fractions of the counted samples.
using HeightHistogram = std::array<double, HEIGHT_BINS>;

// The bins [lo, hi] left after trimming the tails: the smaller end bin goes first (ties to
// the upper end), empty bins add nothing, and trimming stops once 5 % is trimmed or the bin in
// turn holds 5 % or more.
void trimHistogramTails(const HeightHistogram& bins, int32_t& lo, int32_t& hi);

// The lower and upper road height from the road samples (class 2, valid world point) of every
// second line and column; the mask band does not apply. False with both untouched when no scan
// line is loaded, the LineSegmentMask does not exist, or no sample can be counted (no road
// sample, or all of one height): the range is then undefined.
bool roadHeightRange(const ExportSources& sources, double& low, double& high);
void RoadHeightRange(double& low, double& high);  // on the process-wide records

}  // namespace quorvel
