// Reading the line segmentation of a store back in test-friendly form.
#pragma once

#include <cstdint>
#include <ostream>
#include <span>
#include <vector>

#include "scan/scan_store.h"

namespace quorvel::test {

struct Record {
  int32_t first, last;
  int lineClass;
  bool operator==(const Record&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const Record& r) {
  return out << "[" << r.first << ", " << r.last << "] class " << r.lineClass;
}

inline std::vector<Record> recordsOf(const LineSegmentList& list) {
  std::vector<Record> records;
  for (const LineSegment* r = list.get(); r; r = r->next.get()) {
    records.push_back({r->first, r->last, r->lineClass});
  }
  return records;
}

inline std::vector<std::vector<Record>> allRecords(const ScanStore& store) {
  std::vector<std::vector<Record>> lines;
  for (const LineSegmentList& list : *store.lineSegmentLists) lines.push_back(recordsOf(list));
  return lines;
}

inline std::span<const uint8_t> maskRow(const ScanStore& store, int32_t l) {
  const size_t P = static_cast<size_t>(store.pointsPerLine);
  return std::span<const uint8_t>(*store.lineSegmentMask).subspan(static_cast<size_t>(l) * P, P);
}

}  // namespace quorvel::test
