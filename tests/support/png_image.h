// Reading a PNG file back as RGB bytes, to check the pictures the program writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::test {

struct PngImage {
  uint32_t width = 0, height = 0;  // 0 when the file cannot be read
  std::vector<unsigned char> rgb;  // rows top first, 3 bytes a pixel
};

PngImage readPng(const std::string& path);

}  // namespace quorvel::test
