// A map raster as a GeoTIFF that GIS tools place on the map: the bytes of BASE.raw on exactly
// the grid of BASE.master, 8-bit unsigned, one band, uncompressed.
//
// The raster's rows grow with y (row 0 at y = oy); GeoTIFF rows grow downward, so the rows are
// written last first and the image is north up: pixel size (pixelsize, -pixelsize), upper left
// corner (ox - pixelsize / 2, oy + (length - 0.5) x pixelsize), as ox and oy are cell centres.
// No coordinate system is claimed unless an EPSG code of a projected one is given. The road
// height raster carries its height scale as GDAL's band scale (demres) and offset (oz), so that
// a cell value v reads as the height oz + v x demres, and declares 0 (no road point) as no-data.
//
// Limitations: only the platforms with libtiff and libgeotiff build this (not the Windows
// program).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>

#include "export/map_files.h"
#include "scan/status.h"

namespace quorvel {

inline constexpr int32_t MIN_EPSG_CODE = 1024;   // GeoTIFF's range of EPSG codes
inline constexpr int32_t MAX_EPSG_CODE = 32766;  // 32767 means user-defined

// Makes libtiff know GDAL's metadata and no-data tags in every file opened from now on (once per
// process; the writer does it itself, a reader of those tags calls it first).
void registerGdalTiffTags();

// The one band of a grid GeoTIFF: what its cells hold.
enum class GridCells { UInt8, Float32 };
struct GridBand {
  GridCells cells = GridCells::UInt8;
  std::string description;            // GDAL's band description
  std::optional<std::string> noData;  // GDAL's no-data value, as text ("0", "nan")
  std::optional<double> scale;        // a cell value v stands for offset + v x scale
  double offset = 0.0;
};

// Fills bytes with grid row `row` (row 0 at y = oy), width cells of the band's type.
using GridRows = std::function<Status(int32_t row, std::span<unsigned char> bytes)>;

// Writes a GeoTIFF of the grid, north up (the grid's last row first), asking rowAt for each row.
Status writeGridGeoTiff(const std::string& tifPath, const MapParams& grid, const GridBand& band,
                        std::optional<int32_t> epsg, const GridRows& rowAt);

// Writes the GeoTIFF of the map files to tifPath. Fails, writing nothing, when the header cannot
// be read or gives no cells or no positive pixel size (or, for the road height raster, no
// positive demres), when the raster does not hold width x length bytes, or when the EPSG code
// lies outside MIN_EPSG_CODE ... MAX_EPSG_CODE; fails when the file cannot be written
// whole, leaving a previous file of that name as it was.
Status writeMapGeoTiff(const MapFileNames& map, MapHeaderKind kind, const std::string& tifPath,
                       std::optional<int32_t> epsg);

}  // namespace quorvel
