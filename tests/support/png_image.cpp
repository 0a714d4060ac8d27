#include "tests/support/png_image.h"

#include <png.h>

namespace quorvel::test {

PngImage readPng(const std::string& path) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  PngImage result;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return result;
  image.format = PNG_FORMAT_RGB;
  result.rgb.resize(PNG_IMAGE_SIZE(image));
  png_image_finish_read(&image, nullptr, result.rgb.data(), 0, nullptr);
  result.width = image.width;
  result.height = image.height;
  return result;
}

}  // namespace quorvel::test
