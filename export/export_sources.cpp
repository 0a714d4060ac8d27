#include "export/export_sources.h"

#include <utility>

#include "scan/project_file.h"

namespace quorvel {

ExportSources processExportSources() {
  return {scanStore, sensorCalib, maskRange, 0, parallelOptions};
}

int exportResult(Status status, Status* failure) {
  if (status.ok()) return 1;
  if (failure) *failure = std::move(status);
  return 0;
}

bool hasScanLines(const ScanStore& store) {
  return store.lines.has_value() && store.lineCount > 0;
}

const char* missingExportInput(const ScanStore& store, ExportKind kind) {
  if (!hasScanLines(store)) return nullptr;
  const bool surface = kind == ExportKind::Pt3dByNormal || kind == ExportKind::Pt3dByClass ||
                       kind == ExportKind::Ply || kind == ExportKind::Las;
  if (surface && (!store.varianceMap || !store.normalMap)) return "VarianceMap";
  if (kind != ExportKind::Pt3dByNormal && !store.lineSegmentMask) return "LineSegger";
  if (kind == ExportKind::Ply && (!store.labelMap || !store.segmentTable)) {
    return "Segment Regions";
  }
  const bool classes = kind == ExportKind::Ply || kind == ExportKind::Las;
  if (classes && !store.surfaceClassMap) return "classifySurfaces";
  return nullptr;
}

Status checkExportStart(const ScanStore& store, ExportKind kind, const std::string& path) {
  if (const char* command = missingExportInput(store, kind)) {
    return fault("input not computed yet", "", "", std::string("run ") + command + " first");
  }
  if (path.size() >= PATH_BUFFER_SIZE) {
    return fault("path too long", std::to_string(path.size()) + " characters",
                 "at most " + std::to_string(PATH_BUFFER_SIZE - 1));
  }
  return {};
}

}  // namespace quorvel
