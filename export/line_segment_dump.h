// The line segmentation in the --dump files: linemask.npy (uint8 [L, P], row = scan line) and
// linesegments.csv (header "line,first,last,lineClass", one row per record, lines in order,
// each line's list in order).
#pragma once

#include <cstdint>
#include <string>

#include "scan/scan_store.h"
#include "scan/status.h"

namespace quorvel {

// The lists must exist; lines are numbered from firstLine (a batch task's first line).
std::string lineSegmentsCsv(const ScanStore& store, int32_t firstLine = 0);

// Writes both files into outDir; the mask and lists must exist.
Status writeLineSegmentDump(const ScanStore& store, const std::string& outDir, int32_t firstLine);

}  // namespace quorvel
