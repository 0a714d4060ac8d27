// Writing a PNG file through the durable writer: 8-bit RGB, or 8-bit indices into a palette
// whose entries may be transparent. Rows are asked for top first; each row is deflated after a
// left-neighbour difference with run-length matches (about ten times faster than zlib's default
// on our pictures and tiles, for files about a quarter larger).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "scan/output_file.h"
#include "scan/status.h"

namespace quorvel {

struct PngFormat {
  int32_t width = 0;
  int32_t height = 0;
  // Empty: RGB rows (3 bytes a pixel). Else one byte a pixel, an index into these RGBA entries
  // (at most 256).
  std::span<const std::array<unsigned char, 4>> palette;
};

// Fills row y (0 = top) with width pixels of the format.
using PngRows = std::function<void(int32_t y, std::span<unsigned char> row)>;

Status writePng(const std::string& path, const PngFormat& format, const PngRows& rowAt,
                WriteMode mode = WriteMode::ReplaceTarget);

}  // namespace quorvel
