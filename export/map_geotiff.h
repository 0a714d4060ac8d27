// A map raster as a Cloud-Optimized GeoTIFF (cog_writer.h) that GIS tools place on the map: the
// bytes of BASE.raw on exactly the grid of BASE.master, 8-bit unsigned, one band.
//
// The raster's rows grow with y (row 0 at y = oy); GeoTIFF rows grow downward, so the image's
// top row is the raster's last. No coordinate system is claimed unless an EPSG code is given.
// The road height raster carries its height scale as GDAL's band scale (demres) and offset
// (oz), so that a cell value v reads as the height oz + v x demres, and declares 0 (no road
// point) as no-data.
//
// Limitations: only the platforms with GDAL build this (not the Windows program).
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "export/map_files.h"
#include "scan/status.h"

namespace quorvel {

// Writes the GeoTIFF of the map files to tifPath. Fails, writing nothing, when the header cannot
// be read or gives no cells or no positive pixel size (or, for the road height raster, no
// positive demres), when the raster does not hold width x length bytes, or when the EPSG code
// does not name a projected coordinate system in metres; fails when the file cannot be written
// whole, leaving a previous file of that name as it was.
Status writeMapGeoTiff(const MapFileNames& map, MapHeaderKind kind, const std::string& tifPath,
                       std::optional<int32_t> epsg);

}  // namespace quorvel
