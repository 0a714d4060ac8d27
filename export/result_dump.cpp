#include "export/result_dump.h"

#include <array>
#include <span>

#include "export/line_segment_dump.h"
#include "export/npy_file.h"
#include "export/region_segment_dump.h"

namespace quorvel {

namespace {

Status writeVariance(const ScanStore& store, const std::string& path) {
  const std::array<size_t, 2> shape = {static_cast<size_t>(store.pointsPerLine),
                                       static_cast<size_t>(store.lineCount)};
  return writeNpyFile(path, shape, std::span<const double>(*store.varianceMap));
}

Status writeNormals(const ScanStore& store, const std::string& path) {
  const std::array<size_t, 3> shape = {static_cast<size_t>(store.pointsPerLine),
                                       static_cast<size_t>(store.lineCount), 3};
  const std::vector<Vec3>& normals = *store.normalMap;
  const std::span<const unsigned char> bytes(reinterpret_cast<const unsigned char*>(normals.data()),
                                             normals.size() * sizeof(Vec3));
  return writeNpyFile(path, "<f8", shape, bytes);
}

}  // namespace

Status writeSurfaceDump(const ScanStore& store, const std::string& outDir,
                        std::vector<std::string>& written) {
  if (store.varianceMap) {
    const std::string path = outDir + "/variance.npy";
    if (Status status = writeVariance(store, path); !status.ok()) return status;
    written.push_back(path);
  }
  if (store.normalMap) {
    const std::string path = outDir + "/normal.npy";
    if (Status status = writeNormals(store, path); !status.ok()) return status;
    written.push_back(path);
  }
  return {};
}

Status writeSegmentationDump(const ScanStore& store, const std::string& outDir, int32_t firstLine,
                             std::vector<std::string>& written) {
  if (store.labelMap && store.segmentTable) {
    if (Status status = writeRegionSegmentDump(store, outDir); !status.ok()) return status;
    written.push_back(outDir + "/labels.npy");
    written.push_back(outDir + "/segments.csv");
  }
  if (store.lineSegmentMask) {
    if (Status status = writeLineSegmentDump(store, outDir, firstLine); !status.ok()) return status;
    written.push_back(outDir + "/linemask.npy");
    written.push_back(outDir + "/linesegments.csv");
  }
  return {};
}

Status writeSurfaceClassDump(const ScanStore& store, const std::string& outDir,
                             std::vector<std::string>& written) {
  if (!store.surfaceClassMap) return {};
  const std::string path = outDir + "/surface.npy";
  const std::array<size_t, 2> shape = {static_cast<size_t>(store.lineCount),
                                       static_cast<size_t>(store.pointsPerLine)};
  if (Status status = writeNpyFile(path, shape, std::span<const uint8_t>(*store.surfaceClassMap));
      !status.ok()) {
    return status;
  }
  written.push_back(path);
  return {};
}

}  // namespace quorvel
