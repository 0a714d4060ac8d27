// Writing a PNG file through the durable writer: 8-bit RGB. Rows are asked for top first; each
// row is deflated after a left-neighbour difference with run-length matches (about ten times
// faster than zlib's default on our pictures, for files about a quarter larger).
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <string>

#include "scan/status.h"

namespace quorvel {

struct PngFormat {
  int32_t width = 0;
  int32_t height = 0;
};

// Fills row y (0 = top) with width pixels of 3 bytes.
using PngRows = std::function<void(int32_t y, std::span<unsigned char> row)>;

Status writePng(const std::string& path, const PngFormat& format, const PngRows& rowAt);

}  // namespace quorvel
