// `--dump`: the in-memory results of the stages as NumPy files, laid out as the buffers are
// (sample-major buffers as [P, L] with the row the sample index).
#pragma once

#include <string>
#include <vector>

#include "scan/scan_store.h"
#include "scan/status.h"

namespace quorvel {

// The parts: variance.npy (float64 [P, L]) and normal.npy (float64 [P, L, 3]); labels.npy and
// segments.csv, linemask.npy and linesegments.csv (lines numbered from firstLine, a batch task's
// first line); surface.npy (uint8 [L, P], the surface classes). Each writes the files of the
// buffers the store holds and appends the paths it wrote to `written`.
Status writeSurfaceDump(const ScanStore& store, const std::string& outDir,
                        std::vector<std::string>& written);
Status writeSegmentationDump(const ScanStore& store, const std::string& outDir, int32_t firstLine,
                             std::vector<std::string>& written);
Status writeSurfaceClassDump(const ScanStore& store, const std::string& outDir,
                             std::vector<std::string>& written);

}  // namespace quorvel
