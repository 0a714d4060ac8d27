// The grid of a map raster and its header template. A template is any text file: the lines
// starting with "wi", "le", "ox", "oy" or "pixelsize" (any letter case) set those fields from
// their second token; every other line is ignored.
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "scan/status.h"

namespace quorvel {

struct MapParams {
  double ox = 0.0;         // world x of the centre of column 0
  double oy = 0.0;         // world y of the centre of row 0
  double oz = 0.0;         // height of byte value 0 (road height raster)
  double pixelsize = 0.1;  // cell edge, world units
  double demres = 0.0;     // height step of one byte value (road height raster)
  int32_t width = 0;       // columns
  int32_t length = 0;      // rows
};

// Longest template line read at once; a longer line is read on as further lines.
inline constexpr size_t TEMPLATE_LINE_LIMIT = 199;

// Applies the template text (CR LF or LF lines) to params. A key without a value is ignored.
void parseMapTemplate(std::span<const unsigned char> bytes, MapParams& params);

// Applies a header as the map exports write it: the template's fields, and oz and demres.
void parseMapHeader(std::span<const unsigned char> bytes, MapParams& params);

// Reads the file and applies it. A missing file is no template: params stay as they are. A file
// that exists but is not a regular file, or cannot be read, is a fault naming it.
Status readMapTemplateIfPresent(const std::string& path, MapParams& params);

// Reads the file and applies it; 1 when it could be read, else 0 with params unchanged.
int ReadMapTemplate(const std::string& path, MapParams& params);

}  // namespace quorvel
