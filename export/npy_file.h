// NumPy .npy files (format version 1.0, little-endian, C order) for the in-memory results.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "scan/status.h"

namespace quorvel {

// The .npy header for an array of the given NumPy type code ("|u1", "<u2", "<f8") and shape,
// padded so that the data starts at a multiple of 64 bytes.
std::vector<unsigned char> npyHeader(const std::string& typeCode, std::span<const size_t> shape);

Status writeNpyFile(const std::string& path, const std::string& typeCode,
                    std::span<const size_t> shape, std::span<const unsigned char> data);

// Typed conveniences; the element count must equal the product of the shape.
Status writeNpyFile(const std::string& path, std::span<const size_t> shape,
                    std::span<const uint8_t> values);
Status writeNpyFile(const std::string& path, std::span<const size_t> shape,
                    std::span<const uint16_t> values);
Status writeNpyFile(const std::string& path, std::span<const size_t> shape,
                    std::span<const double> values);

}  // namespace quorvel
