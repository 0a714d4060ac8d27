#include "export/line_segment_dump.h"

#include <array>

#include "export/npy_file.h"
#include "scan/output_file.h"

namespace quorvel {

std::string lineSegmentsCsv(const ScanStore& store, int32_t firstLine) {
  std::string csv = "line,first,last,lineClass\n";
  const std::vector<LineSegmentList>& lists = *store.lineSegmentLists;
  for (size_t l = 0; l < lists.size(); ++l) {
    for (const LineSegment* r = lists[l].get(); r; r = r->next.get()) {
      csv += std::to_string(firstLine + static_cast<int64_t>(l)) + "," + std::to_string(r->first) +
             "," + std::to_string(r->last) + "," + std::to_string(r->lineClass) + "\n";
    }
  }
  return csv;
}

Status writeLineSegmentDump(const ScanStore& store, const std::string& outDir, int32_t firstLine) {
  const std::array<size_t, 2> shape = {static_cast<size_t>(store.lineCount),
                                       static_cast<size_t>(store.pointsPerLine)};
  Status status = writeNpyFile(outDir + "/linemask.npy", shape,
                               std::span<const uint8_t>(*store.lineSegmentMask));
  if (!status.ok()) return status;
  return writeWholeFile(outDir + "/linesegments.csv", lineSegmentsCsv(store, firstLine));
}

}  // namespace quorvel
