#include "scan/scan_line_crop.h"

#include <algorithm>

namespace quorvel {

namespace {

// Sample-major buffers hold one row of lineCount entries per sample.
template <typename T>
void keepSampleMajorLines(std::optional<std::vector<T>>& buffer, int32_t lineCount, int32_t points,
                          int32_t first, int32_t count) {
  if (!buffer) return;
  std::vector<T> kept(static_cast<size_t>(count) * static_cast<size_t>(points));
  for (int32_t s = 0; s < points; ++s) {
    const auto row = buffer->begin() + static_cast<ptrdiff_t>(s) * lineCount + first;
    std::copy(row, row + count, kept.begin() + static_cast<ptrdiff_t>(s) * count);
  }
  buffer = std::move(kept);
}

template <typename T>
void keepRange(std::optional<std::vector<T>>& buffer, size_t first, size_t count) {
  if (!buffer) return;
  buffer->erase(buffer->begin() + static_cast<ptrdiff_t>(first + count), buffer->end());
  buffer->erase(buffer->begin(), buffer->begin() + static_cast<ptrdiff_t>(first));
}

}  // namespace

void keepScanLines(ScanStore& store, int32_t first, int32_t count) {
  const int32_t points = store.pointsPerLine;
  keepSampleMajorLines(store.varianceMap, store.lineCount, points, first, count);
  keepSampleMajorLines(store.normalMap, store.lineCount, points, first, count);
  const size_t perLine = static_cast<size_t>(points);
  keepRange(store.lineSegmentMask, static_cast<size_t>(first) * perLine,
            static_cast<size_t>(count) * perLine);
  keepRange(store.surfaceClassMap, static_cast<size_t>(first) * perLine,
            static_cast<size_t>(count) * perLine);
  keepRange(store.kerbFeet, 2 * static_cast<size_t>(first), 2 * static_cast<size_t>(count));
  if (store.lineSegmentLists) {
    for (int32_t l = 0; l < store.lineCount; ++l) {
      if (l < first || l >= first + count) freeLineSegmentList((*store.lineSegmentLists)[l]);
    }
  }
  keepRange(store.lineSegmentLists, static_cast<size_t>(first), static_cast<size_t>(count));
  keepRange(store.lines, static_cast<size_t>(first), static_cast<size_t>(count));
  store.labelMap.reset();
  store.segmentTable.reset();
  store.lineCount = count;
  store.firstLine += first;
}

}  // namespace quorvel
