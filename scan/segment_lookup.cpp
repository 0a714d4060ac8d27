#include "scan/segment_lookup.h"

namespace quorvel {

const SegmentRecord* segmentOfSample(const ScanStore& store, int64_t l, int64_t s) {
  if (!store.labelMap || !store.segmentTable) return nullptr;
  if (l < 0 || l >= store.lineCount || s < 0 || s >= store.pointsPerLine) return nullptr;
  const uint16_t label = (*store.labelMap)[static_cast<size_t>(s * store.lineCount + l)];
  if (label >= MAX_SEGMENTS || label >= store.segmentTable->size()) return nullptr;
  return &(*store.segmentTable)[label];
}

}  // namespace quorvel
