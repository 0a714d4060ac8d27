#include "app/picture_point.h"

#include <algorithm>
#include <cmath>

#include "render/bitmap_tile_store.h"

namespace quorvel {

namespace {

// The pixel of a picture position in pixels from the top-left corner, if it lies on the picture.
std::optional<PicturePixel> pixelAt(double x, double y) {
  if (!isImageReady()) return std::nullopt;
  int32_t width, height;
  getImageExtent(width, height);
  const double column = std::floor(x), row = std::floor(y);
  if (!(column >= 0 && column < width && row >= 0 && row < height)) return std::nullopt;
  return PicturePixel{static_cast<int32_t>(column), static_cast<int32_t>(row)};
}

}  // namespace

std::optional<PicturePixel> pixelAtClientPoint(ws::Window window, int32_t x, int32_t y) {
  const double hpos = ws::scrollState(window, ws::ScrollBar::Horizontal).pos;
  const double vpos = ws::scrollState(window, ws::ScrollBar::Vertical).pos;
  return pixelAt((x + hpos) / viewState.zoom, (y + vpos) / viewState.zoom);
}

std::optional<PicturePixel> pixelAtPicturePoint(const QueryPoint& point) {
  return pixelAt(point.x, bitmapTileStore.tileHeight - point.y);
}

QueryPoint pixelCentre(const PicturePixel& pixel) {
  return {pixel.column + 0.5, bitmapTileStore.tileHeight - (pixel.row + 0.5)};
}

std::optional<PictureSample> sampleOfPixel(const PicturePixel& pixel) {
  const int32_t height = bitmapTileStore.tileHeight;
  const int32_t sample = bitmapTileStore.inverse ? height - 1 - pixel.row : pixel.row;
  if (scanStore.lineCount <= 0 || sample >= scanStore.pointsPerLine) return std::nullopt;
  return PictureSample{std::min(pixel.column, scanStore.lineCount - 1), sample};
}

}  // namespace quorvel
