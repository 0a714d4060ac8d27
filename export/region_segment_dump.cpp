#include "export/region_segment_dump.h"

#include <algorithm>
#include <array>
#include <charconv>

#include "export/npy_file.h"
#include "scan/output_file.h"
#include "scan/segment_lookup.h"

namespace quorvel {

namespace {

constexpr int CSV_DIGITS = 17;  // significant digits: every double reads back to its own bits

// "%.17g" without the locale's influence.
std::string number(double value) {
  char text[32];
  const auto result =
      std::to_chars(text, text + sizeof text, value, std::chars_format::general, CSV_DIGITS);
  return std::string(text, result.ptr);
}

std::string csvRow(const SegmentRecord& r) {
  std::string row = std::to_string(r.label) + "," + std::to_string(r.classCode);
  for (double value :
       {r.normal[0], r.normal[1], r.normal[2], r.planeOffset, r.var, r.maxPt[0], r.maxPt[1],
        r.maxPt[2], r.minPt[0], r.minPt[1], r.minPt[2], r.width, r.height}) {
    row += ',';
    row += number(value);
  }
  return row + "," + std::to_string(r.pointNum) + "," + std::to_string(r.boundaryPt) + "\n";
}

}  // namespace

std::string regionSegmentsCsv(const ScanStore& store) {
  std::string csv =
      "label,classCode,nx,ny,nz,planeOffset,var,maxx,maxy,maxz,minx,miny,minz,width,height,"
      "pointNum,boundaryPt\n";
  const int32_t count = segmentCount(store);
  for (int32_t k = 0; k < count; ++k) csv += csvRow((*store.segmentTable)[static_cast<size_t>(k)]);
  return csv;
}

Status writeRegionSegmentDump(const ScanStore& store, const std::string& outDir) {
  const std::array<size_t, 2> shape = {static_cast<size_t>(store.pointsPerLine),
                                       static_cast<size_t>(store.lineCount)};
  Status status =
      writeNpyFile(outDir + "/labels.npy", shape, std::span<const uint16_t>(*store.labelMap));
  if (!status.ok()) return status;
  return writeWholeFile(outDir + "/segments.csv", regionSegmentsCsv(store));
}

}  // namespace quorvel
