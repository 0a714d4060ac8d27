#include "export/las_export.h"

#include <algorithm>
#include <cstdio>
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
constexpr double MIN_STORED = std::numeric_limits<int32_t>::min();

struct PointAt {
  int32_t l = 0, s = 0;
};

// The count and extent of the world coordinates, and where each axis has its extremes.
struct WorldExtent {
  LasExtent extent;
  std::array<PointAt, 3> minAt, maxAt;
};

// One pass over the points; fails at a point with a coordinate that is not finite.
Status worldExtent(const ExportSources& sources, WorldExtent& world) {
  Status status;
  LasExtent& extent = world.extent;
  visitExportPoints(sources, [&](int32_t l, int32_t s, const Vec3& point) {
    if (!status.ok()) return;
    if (!isFinitePoint(point)) {
      status = nonFinitePointFault(sources, l, s, point);
      return;
    }
    for (size_t axis = 0; axis < 3; ++axis) {
      if (extent.count == 0 || point[axis] < extent.min[axis]) {
        extent.min[axis] = point[axis];
        world.minAt[axis] = {l, s};
      }
      if (extent.count == 0 || point[axis] > extent.max[axis]) {
        extent.max[axis] = point[axis];
        world.maxAt[axis] = {l, s};
      }
    }
    ++extent.count;
  });
  return status;
}

// Every point's coordinates fit the stored integers when each axis' maximum does (the offsets
// are the minima); otherwise the fault names the maximum's and the minimum's points.
Status checkStoredCoordinates(const ExportSources& sources, const WorldExtent& world) {
  const LasExtent& extent = world.extent;
  for (size_t axis = 0; axis < 3; ++axis) {
    if (lasCoordinate(extent.max[axis], extent.min[axis])) continue;
    const PointAt high = world.maxAt[axis], low = world.minAt[axis];
    char value[96];
    std::snprintf(value, sizeof value, "%c %.3f at ", "xyz"[axis], extent.max[axis]);
    char below[96];
    std::snprintf(below, sizeof below, ", %.3f above the minimum %.3f at ",
                  extent.max[axis] - extent.min[axis], extent.min[axis]);
    return fault(
        "coordinate outside the LAS integer range",
        value + pointPlace(sources, high.l, high.s) + below + pointPlace(sources, low.l, low.s),
        "at most 2147483.647 above it (1 mm steps as 32-bit integers)");
  }
  return {};
}

// The extent of the stored coordinates: the maximum moves to its rounded value.
LasExtent storedExtent(const LasExtent& world) {
  LasExtent stored = world;
  for (int axis = 0; axis < 3; ++axis) {
    stored.max[axis] =
        *lasCoordinate(world.max[axis], world.min[axis]) * LAS_SCALE + world.min[axis];
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
  // Within the extent that checkStoredCoordinates accepted.
  for (int axis = 0; axis < 3; ++axis) record.put(*lasCoordinate(point[axis], offset[axis]));
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

std::optional<int32_t> lasCoordinate(double value, double offset) {
  const double stored = (value - offset) / LAS_SCALE + 0.5;
  if (!(stored >= MIN_STORED && stored <= MAX_STORED)) return std::nullopt;  // NaN too
  return static_cast<int32_t>(stored);
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
  WorldExtent world;
  if (Status status = worldExtent(sources, world); !status.ok()) return status;
  if (Status status = checkStoredCoordinates(sources, world); !status.ok()) return status;
  OutputFile file(path);
  if (!file.ok()) return file.status();
  file.write(lasHeader(storedExtent(world.extent)));
  visitExportPoints(sources, [&](int32_t l, int32_t s, const Vec3& point) {
    file.write(lasRecord(sources, l, s, point, world.extent.min).bytes);
  });
  return file.commit();
}

}  // namespace quorvel
