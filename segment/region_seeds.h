// The seeds of the region segmentation in the order a run takes them: each time, the
// unassigned sample of smallest variance, the lowest sample-major index among equals. One sort
// serves the whole run, because samples only ever leave the unassigned state between regions.
// Sorting millions of samples takes seconds, so the sort polls a stage control: it partitions
// the ranges larger than SEED_SORT_BLOCK samples itself (as quicksort does), polling between
// partitions, and sorts the smaller ones at once. The order is total (variance, then index),
// so any sort gives the same one.
//
// A NaN variance compares with nothing. A seed search that starts at the lowest unassigned
// index and moves only to a strictly smaller variance never leaves such a start and never
// moves onto such a sample; the queue keeps both rules.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scan/stage_control.h"

namespace quorvel {

inline constexpr size_t SEED_SORT_BLOCK = size_t{1} << 16;  // samples sorted without a poll

struct SeedKey {
  double variance;
  size_t index;  // sample-major
};

struct SeedQueue {
  std::vector<SeedKey> order;  // the unassigned samples of comparable variance, in seed order
  size_t next = 0;             // entries of order before this one are taken
  size_t lowest = 0;           // no sample below this index is unassigned
};

// Orders the samples that are UNASSIGNED now, one unit of run per sample; false when run says
// stop (the queue is then of no use).
bool makeSeedQueue(const std::vector<uint16_t>& labels, const std::vector<double>& variance,
                   SeedQueue& queue, StageRun& run);

// The next seed among the samples still UNASSIGNED; false when none is left.
bool nextSeed(SeedQueue& queue, const std::vector<uint16_t>& labels,
              const std::vector<double>& variance, size_t& seed);

}  // namespace quorvel
