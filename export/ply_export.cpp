#include "export/ply_export.h"

#include "export/byte_record.h"
#include "export/export_points.h"
#include "export/pt3d_export.h"
#include "features/variance_map.h"
#include "scan/output_file.h"
#include "scan/segment_lookup.h"  // for MAX_SEGMENTS

namespace quorvel {

namespace {

const char* const PLY_PROPERTIES =
    "property double x\n"
    "property double y\n"
    "property double z\n"
    "property uchar red\n"
    "property uchar green\n"
    "property uchar blue\n"
    "property uchar scalar_line_class\n"
    "property ushort scalar_segment\n"
    "property double scalar_variance\n"
    "property float nx\n"
    "property float ny\n"
    "property float nz\n"
    "property int scalar_scan_line\n"
    "property short scalar_sample\n"
    "property uchar scalar_surface\n";

std::string printableAscii(const std::string& text) {
  std::string result = text;
  for (char& c : result) {
    if (c < 0x20 || c > 0x7e) c = '_';
  }
  return result;
}

std::string maskComment(const MaskRange& mask) {
  const std::string range = std::to_string(mask.stno) + ":" + std::to_string(mask.edno);
  if (mask.stno > mask.edno || mask.edno < 0)
    return "comment mask range " + range + ", no sample left out\n";
  return "comment mask range " + range + ", samples " + std::to_string(mask.stno) + " to " +
         std::to_string(mask.edno) + " of every scan line left out\n";
}

uint16_t segmentOf(uint16_t label) {
  return label < MAX_SEGMENTS ? label : PLY_NO_SEGMENT;
}

// The NormalMap vector, or zeros where the sample has no normal.
Vec3 exportedNormal(double variance, const Vec3& normal) {
  if (variance == NO_VARIANCE || normal[0] == NO_NORMAL) return {};
  return normal;
}

ByteRecord plyRecord(const ExportSources& sources, int32_t l, int32_t s, const Vec3& point) {
  const ScanStore& store = sources.store;
  const size_t index = sampleMajorIndex(store, l, s);
  const Rgb colour = sampleClassColour(store, l, s);
  const double variance = (*store.varianceMap)[index];
  const Vec3 normal = exportedNormal(variance, (*store.normalMap)[index]);
  ByteRecord record(PLY_RECORD_SIZE);
  record.put(point[0]).put(point[1]).put(point[2]);
  record.put(colour.red).put(colour.green).put(colour.blue);
  record.put((*store.lineSegmentMask)[lineMajorIndex(store, l, s)]);
  record.put(segmentOf((*store.labelMap)[index])).put(variance);
  for (double component : normal) record.put(static_cast<float>(component));
  record.put(sources.firstLine + l).put(static_cast<int16_t>(s));
  record.put((*store.surfaceClassMap)[lineMajorIndex(store, l, s)]);
  return record;
}

}  // namespace

std::string plyHeader(const std::string& projectName, const MaskRange& mask, size_t pointCount) {
  return "ply\nformat binary_little_endian 1.0\ncomment Quorvel points of project " +
         printableAscii(projectName) + "\n" + maskComment(mask) + "element vertex " +
         std::to_string(pointCount) + "\n" + PLY_PROPERTIES + "end_header\n";
}

Status exportPly(const ExportSources& sources, const std::string& projectName,
                 const std::string& path) {
  if (Status status = checkExportStart(sources.store, ExportKind::Ply, path); !status.ok()) {
    return status;
  }
  size_t count = 0;
  Status finite;
  visitExportPoints(sources, [&](int32_t l, int32_t s, const Vec3& point) {
    if (finite.ok() && !isFinitePoint(point)) finite = nonFinitePointFault(sources, l, s, point);
    ++count;
  });
  if (!finite.ok()) return finite;
  OutputFile file(path);
  if (!file.ok()) return file.status();
  file.write(plyHeader(projectName, sources.mask, count));
  visitExportPoints(sources, [&](int32_t l, int32_t s, const Vec3& point) {
    file.write(plyRecord(sources, l, s, point).bytes);
  });
  return file.commit();
}

}  // namespace quorvel
