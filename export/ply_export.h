// The PLY point export (points.ply): the points of the class .pt3d export, in its order and with
// its colours, as a binary little-endian PLY with the per-sample results as scalar properties
// that point-cloud viewers show as scalar fields (CloudCompare takes the properties named
// scalar_NAME without asking and shows them as NAME):
//   double x, y, z; uchar red, green, blue;
//   uchar scalar_line_class  the LineSegmentMask code (0, 1, 2, 4, 5, 8);
//   ushort scalar_segment    the region label, 65535 where the sample is in no segment;
//   double scalar_variance   the VarianceMap value, -1 where it has none;
//   float nx, ny, nz         the NormalMap vector, 0 where it has none;
//   int scalar_scan_line; short scalar_sample;
//   uchar scalar_surface     the surface class (1 carriageway, 2 vertical, 3 other, 4 kerb,
//                            5 ground).
// Two header comments name the project and the mask band.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "export/export_sources.h"
#include "scan/status.h"

namespace quorvel {

inline constexpr size_t PLY_RECORD_SIZE = 57;
inline constexpr uint16_t PLY_NO_SEGMENT = 65535;

// The header text up to and including "end_header\n". Characters of the project name that are
// not printable ASCII become '_' so that the comment stays one header line.
std::string plyHeader(const std::string& projectName, const MaskRange& mask, size_t pointCount);

// Writes the file (no vertex when no scan line is loaded). Fails, writing nothing, when the
// VarianceMap, NormalMap, LineSegmentMask, region segmentation or surface classes of a loaded scan
// do not exist yet, the path does not fit the 260-character path buffer, or the file cannot be
// written whole (a previous file then stays as it was).
Status exportPly(const ExportSources& sources, const std::string& projectName,
                 const std::string& path);

}  // namespace quorvel
