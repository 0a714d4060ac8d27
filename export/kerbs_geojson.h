// kerbs.geojson: the kerb lines of the scan (segment/kerb_lines.h) as a GeoJSON FeatureCollection
// of LineStrings through the kerb feet (x, y, z in the scan's world frame; no coordinate system is
// stated), each with the properties side ("right" or "left" of the drive), mean_height (of the
// kerb, in the scan's length unit), first_line and last_line (the drive's scan lines of its first
// and last vertex) and vertices. The coordinate system is named only when an EPSG code is given
// (the one `--epsg` claims for the GeoTIFF rasters); readers take GeoJSON without one for WGS 84
// longitude and latitude. The mask range does not apply: a kerb is found per scan line.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "scan/scan_store.h"
#include "scan/status.h"

namespace quorvel {

// The file's text; firstLine is the drive's line that the store's line 0 is.
std::string kerbsGeoJson(const ScanStore& store, int32_t firstLine, std::optional<int32_t> epsg);

// The GeoJSON member that names the coordinate system of the EPSG code.
std::string geoJsonCrs(int32_t epsg);

// Writes it (the store must hold the kerb feet).
Status exportKerbs(const ScanStore& store, int32_t firstLine, std::optional<int32_t> epsg,
                   const std::string& path);

}  // namespace quorvel
