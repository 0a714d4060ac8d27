// The two files of a map raster: the text header "BASE.master" and the raw bytes "BASE.raw",
// where BASE is the chosen path without its extension plus the raster's suffix.
#pragma once

#include <optional>
#include <string>

#include "export/map_params.h"

namespace quorvel {

enum class MapHeaderKind { Count, RoadHeight };  // six lines, or eight with oz and demres

struct MapFileNames {
  std::string header;  // BASE.master
  std::string raster;  // BASE.raw
};

// Cuts the chosen path at its last '.' (a path without one is used whole) and appends the
// suffix ("-h", "-r"). None when the chosen path or a formed name does not fit the 260-character
// path buffer (PATH_BUFFER_SIZE, terminator included).
std::optional<MapFileNames> mapFileNames(const std::string& chosenPath, const char* suffix);

// The header text, every line ending in CR LF.
std::string mapHeaderText(const MapParams& params, MapHeaderKind kind);

}  // namespace quorvel
