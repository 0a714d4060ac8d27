#include "scan/segment_lookup.h"

#include <algorithm>

namespace quorvel {

const SegmentRecord* segmentOfSample(const ScanStore& store, int64_t l, int64_t s) {
  if (!store.labelMap || !store.segmentTable) return nullptr;
  if (l < 0 || l >= store.lineCount || s < 0 || s >= store.pointsPerLine) return nullptr;
  const uint16_t label = (*store.labelMap)[static_cast<size_t>(s * store.lineCount + l)];
  if (label >= MAX_SEGMENTS || label >= store.segmentTable->size()) return nullptr;
  return &(*store.segmentTable)[label];
}

int32_t segmentCount(const ScanStore& store) {
  int32_t count = 0;
  if (!store.labelMap) return count;
  for (uint16_t label : *store.labelMap) {
    if (label < MAX_SEGMENTS) count = std::max<int32_t>(count, label + 1);
  }
  return count;
}

}  // namespace quorvel
