#include "export/pt3d_export.h"

#include <cmath>
#include <cstring>

#include "export/export_points.h"
#include "features/variance_map.h"
#include "render/class_palette.h"
#include "scan/byte_level.h"
#include "scan/output_file.h"
#include "segment/line_class.h"

namespace quorvel {

namespace {

Rgb paletteRgb(uint8_t entry) {
  const PaletteColour& colour = CLASS_PALETTE[entry];
  return {colour.red, colour.green, colour.blue};
}

// Writes every point; `colourOf` gives the colour of sample (l, s).
template <typename ColourOf>
Status writePoints(const ExportSources& sources, ExportKind kind, const std::string& path,
                   ColourOf colourOf) {
  if (Status status = checkExportStart(sources.store, kind, path); !status.ok()) return status;
  OutputFile file(path);
  if (!file.ok()) return file.status();
  visitExportPoints(sources, [&](int32_t l, int32_t s, const Vec3& point) {
    file.write(pt3dRecord(point, colourOf(l, s)));
  });
  return file.commit();
}

}  // namespace

uint8_t normalChannel(double component) {
  return byteLevel(std::fabs(component), 255.0);
}

Rgb normalColour(double variance, const Vec3& normal) {
  if (variance == NO_VARIANCE) return {};
  return {normalChannel(normal[2]), normalChannel(normal[1]), normalChannel(normal[0])};
}

Rgb classColour(uint8_t lineClass, double variance, const Vec3& normal) {
  if (lineClass == LINE_CLASS_VERTICAL || lineClass == LINE_CLASS_ROAD)
    return paletteRgb(lineClass);
  return normalColour(variance, normal);
}

std::array<unsigned char, PT3D_RECORD_SIZE> pt3dRecord(const Vec3& point, const Rgb& colour) {
  std::array<unsigned char, PT3D_RECORD_SIZE> record{};
  std::memcpy(record.data(), point.data(), 3 * sizeof(double));
  record[24] = colour.red;
  record[25] = colour.green;
  record[26] = colour.blue;
  return record;
}

Status exportPt3dByNormal(const ExportSources& sources, const std::string& path) {
  const ScanStore& store = sources.store;
  return writePoints(sources, ExportKind::Pt3dByNormal, path, [&](int32_t l, int32_t s) {
    const size_t index = sampleMajorIndex(store, l, s);
    return normalColour((*store.varianceMap)[index], (*store.normalMap)[index]);
  });
}

Rgb sampleClassColour(const ScanStore& store, int32_t l, int32_t s) {
  const size_t index = sampleMajorIndex(store, l, s);
  return classColour((*store.lineSegmentMask)[lineMajorIndex(store, l, s)],
                     (*store.varianceMap)[index], (*store.normalMap)[index]);
}

Status exportPt3dByClass(const ExportSources& sources, const std::string& path) {
  return writePoints(sources, ExportKind::Pt3dByClass, path,
                     [&](int32_t l, int32_t s) { return sampleClassColour(sources.store, l, s); });
}

int ExportPt3dByNormal(const char* path, Status* failure) {
  return exportResult(exportPt3dByNormal(processExportSources(), path), failure);
}

int ExportPt3dByClass(const char* path, Status* failure) {
  return exportResult(exportPt3dByClass(processExportSources(), path), failure);
}

}  // namespace quorvel
