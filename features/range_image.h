// The range image: the grid over the scan store with one column per scan line and one row per
// sample, its display parameters and the band of samples the pictures and exports leave out.
#pragma once

#include <cstddef>
#include <cstdint>

#include "scan/scan_store.h"

namespace quorvel {

struct RenderParams {
  double rangeGreyScale = 6.0;       // grey levels per unit of range
  double normalColourScale = 256.0;  // colour levels per unit of a normal component
  int32_t inverse = 0;               // 0: sample 0 at the top of every picture; 1: at the bottom
};

extern RenderParams renderParams;  // process-wide

// The band of sample indices left out: stno <= s <= edno; empty when stno > edno (the start
// values -1, -1 select no valid sample). Never compared with the samples per line.
struct MaskRange {
  int32_t stno = -1;
  int32_t edno = -1;
};

extern MaskRange maskRange;  // process-wide; set only by the Set Mask Range dialog

inline bool inMaskBand(const MaskRange& mask, int32_t s) {
  return mask.stno <= s && s <= mask.edno;
}

// Raw sample / range unit, in double precision; the scan's length unit.
inline double rangeOf(const ScanStore& store, int32_t l, int32_t s) {
  return static_cast<double>((*store.lines)[static_cast<size_t>(l)].range[s]) /
         static_cast<double>(store.rangeUnit);
}
double rangeOf(int32_t l, int32_t s);  // on the process-wide store

// Index of sample (l, s) in a sample-major buffer (VarianceMap, NormalMap, LabelMap).
inline size_t sampleMajorIndex(const ScanStore& store, int32_t l, int32_t s) {
  return static_cast<size_t>(s) * static_cast<size_t>(store.lineCount) + static_cast<size_t>(l);
}

// Index of sample (l, s) in a line-major buffer (LineSegmentMask).
inline size_t lineMajorIndex(const ScanStore& store, int32_t l, int32_t s) {
  return static_cast<size_t>(l) * static_cast<size_t>(store.pointsPerLine) + static_cast<size_t>(s);
}

}  // namespace quorvel
