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

// An EPSG code is for the GeoTIFF rasters only and must lie in GeoTIFF's range of EPSG codes.
Status checkEpsgOption(std::optional<int32_t> epsg, const std::vector<std::string>& exports);

}  // namespace quorvel::cli
