// The LAS point export (points.las): the points of the class .pt3d export, in its order and with
// its colours, as LAS 1.4 with point data record format 7 and no variable length record (no
// coordinate system is claimed).
//
// Each point: x, y, z as integers of 1 mm (scale 0.001) from offsets at the data's minimum;
// return 1 of 1; classification by the sample's surface class: 11 "road surface" for the
// carriageway, 2 "ground" for footways and other ground, 6 "building" for vertical structure, 1
// "unclassified" for other objects and 64 (user-defined) for kerb faces; user data the line class
// code; GPS time the scan line index;
// red, green, blue the 8-bit colour times 257 (255 gives 65535). The header extents are those of
// the stored integer coordinates. File creation day and year are 0 so that equal data give equal
// files.
//
// Limitations: the data's extent must fit 2^31 - 1 mm on every axis.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "export/export_sources.h"
#include "scan/geometry.h"
#include "scan/status.h"

namespace quorvel {

inline constexpr size_t LAS_HEADER_SIZE = 375;
inline constexpr size_t LAS_RECORD_SIZE = 36;
inline constexpr double LAS_SCALE = 0.001;
inline constexpr uint8_t ASPRS_UNCLASSIFIED = 1;
inline constexpr uint8_t ASPRS_GROUND = 2;
inline constexpr uint8_t ASPRS_BUILDING = 6;
inline constexpr uint8_t ASPRS_ROAD_SURFACE = 11;
inline constexpr uint8_t ASPRS_KERB = 64;  // the first of the user-definable classes

uint8_t asprsClass(uint8_t surfaceClass);

// What the header states about the points: their count and the extent of their stored
// coordinates, whose minimum is also the offset.
struct LasExtent {
  uint64_t count = 0;
  Vec3 min{};  // all 0 without points
  Vec3 max{};
};

std::array<unsigned char, LAS_HEADER_SIZE> lasHeader(const LasExtent& extent);

// The count and extent that a LAS 1.4 header states; false when the bytes are not one.
bool parseLasExtent(std::span<const unsigned char> header, LasExtent& extent);

// The stored integer of a coordinate: (value - offset) / 0.001 rounded half up; none when that
// is not a number or lies outside the 32-bit integers.
std::optional<int32_t> lasCoordinate(double value, double offset);

// Writes the file (no point when no scan line is loaded). Fails, writing nothing, when the
// VarianceMap, NormalMap, LineSegmentMask or surface classes of a loaded scan do not exist yet, a
// point has a coordinate that is not finite or outside the integer coordinates (the fault names
// its scan line and sample), the path does not fit the 260-character path buffer, or the file
// cannot be written whole (a previous file then stays as it was).
Status exportLas(const ExportSources& sources, const std::string& path);

}  // namespace quorvel
