// The output options that `run` and `batch` share, from their text on the command line to a
// RunOptions record: the picture and export lists, the mask range and the EPSG code.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "features/range_image.h"
#include "scan/status.h"

namespace quorvel::cli {

// Checks and normalises the picture list ("all" or names from range, variance, normal,
// contour, segment); a fault names the unknown entry.
Status parseImageList(const std::string& list, std::vector<std::string>& images);

// Checks and normalises the export list: names from pt3d-normal, pt3d-class, count-map,
// road-height, road-ds, nonroad-ds, ply, las, geotiff, or "all" for the first six (the formats of
// the window's Export menu); a fault names the unknown entry.
Status parseExportList(const std::string& list, std::vector<std::string>& exports);

// Parses "STNO:EDNO" (integers, may be negative).
Status parseMaskRange(const std::string& text, MaskRange& mask);

// Who places its outputs by the EPSG code: `run` its GeoTIFFs and kerb lines; a batch also its
// mosaics (from count-map, road-height or geotiff) and its point cloud (from las).
enum class EpsgUse { Run, Batch };

// The code must name a projected coordinate system in metres that GDAL knows, and some output
// must use it.
Status checkEpsgOption(std::optional<int32_t> epsg, const std::vector<std::string>& exports,
                       EpsgUse use);

}  // namespace quorvel::cli
