#include "export/las_export.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "export/byte_record.h"
#include "export/export_points.h"
#include "export/pt3d_export.h"
#include "scan/output_file.h"
#include "segment/surface_classes.h"

namespace quorvel {

namespace {

constexpr uint16_t WKT_ENCODING = 0x0010;      // global encoding bit 4: formats 6 to 10 need it
constexpr uint8_t FIRST_OF_ONE_RETURN = 0x11;  // return number 1, number of returns 1
constexpr uint8_t POINT_FORMAT = 7;
constexpr double MAX_STORED = std::numeric_limits<int32_t>::max();

// One pass over the points: count and extent of the world coordinates.
LasExtent worldExtent(const ExportSources& sources) {
  LasExtent extent;
  visitExportPoints(sources, [&](int32_t, int32_t, const Vec3& point) {
    for (int axis = 0; axis < 3; ++axis) {
      extent.min[axis] = extent.count == 0 ? point[axis] : std::min(extent.min[axis], point[axis]);
      extent.max[axis] = extent.count == 0 ? point[axis] : std::max(extent.max[axis], point[axis]);
    }
    ++extent.count;
  });
  return extent;
}

bool fitsStoredCoordinates(const LasExtent& extent) {
  for (int axis = 0; axis < 3; ++axis) {
    if (!((extent.max[axis] - extent.min[axis]) / LAS_SCALE + 0.5 <= MAX_STORED)) return false;
  }
  return true;
}

// The extent of the stored coordinates: the maximum moves to its rounded value.
LasExtent storedExtent(const LasExtent& world) {
  LasExtent stored = world;
  for (int axis = 0; axis < 3; ++axis) {
    stored.max[axis] =
        lasCoordinate(world.max[axis], world.min[axis]) * LAS_SCALE + world.min[axis];
  }
  return stored;
}

ByteRecord lasRecord(const ExportSources& sources, int32_t l, int32_t s, const Vec3& point,
                     const Vec3& offset) {
  const ScanStore& store = sources.store;
  const size_t index = lineMajorIndex(store, l, s);
  const uint8_t lineClass = (*store.lineSegmentMask)[index];
  const Rgb colour = sampleClassColour(store, l, s);
  ByteRecord record(LAS_RECORD_SIZE);
  for (int axis = 0; axis < 3; ++axis) record.put(lasCoordinate(point[axis], offset[axis]));
  record.put(uint16_t{0});                          // intensity: not measured
  record.put(FIRST_OF_ONE_RETURN).put(uint8_t{0});  // flags, channel, scan direction, edge
  record.put(asprsClass((*store.surfaceClassMap)[index])).put(lineClass);
  record.put(int16_t{0}).put(uint16_t{0});  // scan angle, point source
  record.put(static_cast<double>(sources.firstLine + l));
  for (uint8_t channel : {colour.red, colour.green, colour.blue}) {
    record.put(static_cast<uint16_t>(channel * 257));
  }
  return record;
}

}  // namespace

uint8_t asprsClass(uint8_t surfaceClass) {
  switch (surfaceClass) {
    case SURFACE_CARRIAGEWAY:
      return ASPRS_ROAD_SURFACE;
    case SURFACE_KERB:
      return ASPRS_KERB;
    case SURFACE_GROUND:
      return ASPRS_GROUND;
    case SURFACE_VERTICAL:
      return ASPRS_BUILDING;
    default:
      return ASPRS_UNCLASSIFIED;
  }
}

int32_t lasCoordinate(double value, double offset) {
  return static_cast<int32_t>((value - offset) / LAS_SCALE + 0.5);
}

std::array<unsigned char, LAS_HEADER_SIZE> lasHeader(const LasExtent& extent) {
  ByteRecord header(LAS_HEADER_SIZE);
  header.putText("LASF", 4).put(uint16_t{0}).put(WKT_ENCODING);
  header.putText("", 16);  // project GUID
  header.put(uint8_t{1}).put(uint8_t{4});
  header.putText("OTHER", 32).putText("Quorvel", 32);
  header.put(uint16_t{0}).put(uint16_t{0});  // creation day and year
  header.put(static_cast<uint16_t>(LAS_HEADER_SIZE)).put(static_cast<uint32_t>(LAS_HEADER_SIZE));
  header.put(uint32_t{0}).put(POINT_FORMAT).put(static_cast<uint16_t>(LAS_RECORD_SIZE));
  header.putText("", 24);  // legacy counts: zero for formats 6 to 10
  for (int axis = 0; axis < 3; ++axis) header.put(LAS_SCALE);
  for (int axis = 0; axis < 3; ++axis) header.put(extent.min[axis]);
  for (int axis = 0; axis < 3; ++axis) header.put(extent.max[axis]).put(extent.min[axis]);
  header.put(uint64_t{0}).put(uint64_t{0}).put(uint32_t{0});  // waveforms, extended records
  header.put(extent.count).put(extent.count);                 // points, of which first returns
  header.putText("", 14 * 8);
  std::array<unsigned char, LAS_HEADER_SIZE> bytes{};
  std::copy(header.bytes.begin(), header.bytes.end(), bytes.begin());
  return bytes;
}

bool parseLasExtent(std::span<const unsigned char> header, LasExtent& extent) {
  constexpr size_t BOUNDS = 179, COUNT = 247;  // max x, min x, max y, ...; the point count
  if (header.size() < LAS_HEADER_SIZE || std::memcmp(header.data(), "LASF", 4) != 0 ||
      header[24] != 1 || header[25] != 4) {
    return false;
  }
  for (int axis = 0; axis < 3; ++axis) {
    std::memcpy(&extent.max[axis], header.data() + BOUNDS + 16 * axis, 8);
    std::memcpy(&extent.min[axis], header.data() + BOUNDS + 16 * axis + 8, 8);
  }
  std::memcpy(&extent.count, header.data() + COUNT, 8);
  return true;
}

Status exportLas(const ExportSources& sources, const std::string& path) {
  if (Status status = checkExportStart(sources.store, ExportKind::Las, path); !status.ok()) {
    return status;
  }
  const LasExtent world = worldExtent(sources);
  if (!fitsStoredCoordinates(world)) {
    return fault("extent too large for LAS coordinates", "",
                 "at most 2147483.647 on every axis (1 mm steps)");
  }
  OutputFile file(path);
  if (!file.ok()) return file.status();
  file.write(lasHeader(storedExtent(world)));
  visitExportPoints(sources, [&](int32_t l, int32_t s, const Vec3& point) {
    file.write(lasRecord(sources, l, s, point, world.min).bytes);
  });
  return file.commit();
}

}  // namespace quorvel
