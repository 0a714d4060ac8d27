#include "export/picture_png.h"

#include <algorithm>
#include <vector>

#include "export/png_file.h"
#include "render/tile_bitmap.h"

namespace quorvel {

namespace {

// Row y (0 = top) of the whole picture as RGB.
void pictureRow(const BitmapTileStore& tiles, int32_t y, std::vector<unsigned char>& row) {
  const size_t tileBytes = 3 * static_cast<size_t>(tiles.tileWidth);
  const int32_t storedRow = tiles.tileHeight - 1 - y;  // tiles are stored bottom-up
  for (int32_t i = 0; i < tiles.count; ++i) {
    unsigned char* out = row.data() + static_cast<size_t>(i) * tileBytes;
    const TileBitmap bitmap = (*tiles.tiles)[static_cast<size_t>(i)].bitmap;
    if (!bitmap) {
      std::fill(out, out + tileBytes, 255);
      continue;
    }
    const unsigned char* in = tileBitmapRows(bitmap) + storedRow * tileBytes;
    for (size_t x = 0; x < tileBytes; x += 3) {
      out[x] = in[x + 2];
      out[x + 1] = in[x + 1];
      out[x + 2] = in[x];
    }
  }
}

}  // namespace

std::vector<unsigned char> pictureRgb(const BitmapTileStore& tiles, int32_t& width,
                                      int32_t& height) {
  getImageExtent(tiles, width, height);
  if (width <= 0 || height <= 0) {
    width = height = 0;
    return {};
  }
  const size_t rowBytes = 3 * static_cast<size_t>(width);
  std::vector<unsigned char> rgb(rowBytes * static_cast<size_t>(height));
  std::vector<unsigned char> row(rowBytes);
  for (int32_t y = 0; y < height; ++y) {
    pictureRow(tiles, y, row);
    std::copy(row.begin(), row.end(), rgb.begin() + static_cast<ptrdiff_t>(y * rowBytes));
  }
  return rgb;
}

Status writePicturePng(const BitmapTileStore& tiles, const std::string& path,
                       std::optional<PictureColumns> columns) {
  int32_t fullWidth = 0, height = 0;
  getImageExtent(tiles, fullWidth, height);
  const PictureColumns written = columns.value_or(PictureColumns{0, fullWidth});
  if (written.first < 0 || written.count > fullWidth - written.first) {
    return fault("columns beyond the picture", path);
  }
  std::vector<unsigned char> full(3 * static_cast<size_t>(std::max(fullWidth, 0)));
  const size_t rowOffset = 3 * static_cast<size_t>(written.first);
  return writePng(path, {written.count, height}, [&](int32_t y, std::span<unsigned char> row) {
    pictureRow(tiles, y, full);
    std::copy_n(full.begin() + static_cast<ptrdiff_t>(rowOffset), row.size(), row.begin());
  });
}

}  // namespace quorvel
