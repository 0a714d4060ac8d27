// `--dump`: the in-memory results of the stages as NumPy files, laid out as the buffers are
// (sample-major buffers as [P, L] with the row the sample index).
#pragma once

#include <string>
#include <vector>

#include "scan/scan_store.h"
#include "scan/status.h"

namespace quorvel::cli {

// Writes variance.npy (float64 [P, L]), normal.npy (float64 [P, L, 3]), labels.npy and
// segments.csv, linemask.npy and linesegments.csv into outDir for the buffers the store holds;
// `written` receives the paths written, in order. linesegments.csv numbers the lines from
// firstLine (a batch task's first line).
Status writeResultDump(const ScanStore& store, const std::string& outDir, int32_t firstLine,
                       std::vector<std::string>& written);

// The two parts of it: variance.npy and normal.npy; then the region and line segmentations'
// files. Each appends the paths it wrote to `written`.
Status writeSurfaceDump(const ScanStore& store, const std::string& outDir,
                        std::vector<std::string>& written);
Status writeSegmentationDump(const ScanStore& store, const std::string& outDir, int32_t firstLine,
                             std::vector<std::string>& written);

}  // namespace quorvel::cli
