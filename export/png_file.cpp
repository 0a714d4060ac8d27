#include "export/png_file.h"

#include <png.h>
#include <zlib.h>  // for Z_RLE

#include <vector>

#include "scan/output_file.h"

namespace quorvel {

namespace {

// libpng hands its bytes to the output file, which keeps the first write failure.
void writePngBytes(png_structp png, png_bytep bytes, png_size_t size) {
  static_cast<OutputFile*>(png_get_io_ptr(png))->write(std::span<const unsigned char>(bytes, size));
}

void flushNothing(png_structp) {}

// Encodes the image into the file; false when libpng fails (the file keeps its own failures).
bool encodePng(OutputFile& file, const PngFormat& format, const PngRows& rowAt,
               std::vector<png_byte>& row) {
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, info ? &info : nullptr);
    return false;
  }
  png_set_write_fn(png, &file, writePngBytes, flushNothing);
  png_set_filter(png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_strategy(png, Z_RLE);
  png_set_IHDR(png, info, static_cast<png_uint_32>(format.width),
               static_cast<png_uint_32>(format.height), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  for (int32_t y = 0; y < format.height; ++y) {
    rowAt(y, row);
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

Status writePng(const std::string& path, const PngFormat& format, const PngRows& rowAt) {
  if (format.width <= 0 || format.height <= 0) return fault("no picture to write", path);
  OutputFile file(path);
  if (!file.ok()) return file.status();
  std::vector<png_byte> row(3 * static_cast<size_t>(format.width));
  if (!encodePng(file, format, rowAt, row)) return fault("cannot write the picture", path);
  return file.commit();
}

}  // namespace quorvel
