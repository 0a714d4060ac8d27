// The region segmentation in the --dump files: labels.npy (uint16 [P, L], row = sample index,
// as the LabelMap is laid out) and segments.csv (one row per segment in label order, floating
// point values with 17 significant digits).
#pragma once

#include <cstdint>
#include <string>

#include "scan/scan_store.h"
#include "scan/status.h"

namespace quorvel {

std::string regionSegmentsCsv(const ScanStore& store);  // the LabelMap and table must exist

// Writes both files into outDir; the LabelMap and SegmentTable must exist.
Status writeRegionSegmentDump(const ScanStore& store, const std::string& outDir);

}  // namespace quorvel
