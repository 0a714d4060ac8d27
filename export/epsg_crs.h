// Coordinate systems named by EPSG code, as GDAL's copy of the EPSG table knows them. The scan's
// coordinates are metres, so only a projected coordinate system in metres (a compound one with
// such a horizontal part included) may name them: a geographic one would place a 30 m street
// at 30 degrees.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "scan/status.h"

namespace quorvel {

// Fails with a reason naming the code and what it is when GDAL does not know it or it is not a
// projected coordinate system in metres.
Status checkProjectedEpsg(int32_t code);

// The coordinate system's WKT 2 text; empty for a code that GDAL does not know.
std::string epsgWkt(int32_t code);

// Turns points of the coordinate system into longitude, latitude (degrees, WGS 84).
Status toLonLat(int32_t code, std::vector<std::array<double, 2>>& points);

}  // namespace quorvel
