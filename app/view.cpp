#include "app/view.h"

#include <algorithm>
#include <cstdlib>

#include "app/main_window.h"
#include "app/view_state.h"
#include "render/bitmap_tile_store.h"

namespace quorvel {

namespace {

struct TileRect {
  double x, y, width, height;  // canvas coordinates
};

TileRect canvasRect(const BitmapTile& tile, double zoom) {
  return {tile.x * zoom, tile.y * zoom, bitmapTileStore.tileWidth * zoom,
          bitmapTileStore.tileHeight * zoom};
}

void copyVisibleTiles(ws::PaintContext dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  const double zoom = viewState.zoom;
  ws::beginTileCopies(dc);
  for (int32_t i = 0; const BitmapTile* tile = getBitmapTile(i); ++i) {
    if (!tile->bitmap) continue;
    const TileRect r = canvasRect(*tile, zoom);
    if (x1 > r.x && y1 > r.y && x0 < r.x + r.width && y0 < r.y + r.height) {
      ws::stretchTile(dc, tile->bitmap, bitmapTileStore.tileWidth, bitmapTileStore.tileHeight,
                      truncToInt(r.x), truncToInt(r.y), truncToInt(r.width), truncToInt(r.height));
    }
  }
  ws::endTileCopies(dc);
}

void drawTileOutlines(ws::PaintContext dc) {
  for (int32_t i = 0; const BitmapTile* tile = getBitmapTile(i); ++i) {
    const TileRect r = canvasRect(*tile, viewState.zoom);
    const int32_t left = truncToInt(r.x), top = truncToInt(r.y);
    const int32_t right = truncToInt(r.x + r.width), bottom = truncToInt(r.y + r.height);
    ws::moveTo(dc, left, top);
    ws::lineTo(dc, left, bottom);
    ws::lineTo(dc, right, bottom);
    ws::lineTo(dc, right, top);
    ws::lineTo(dc, left, top);
  }
}

void drawQueryMarker(ws::PaintContext dc) {
  const double zoom = viewState.zoom;
  const int32_t cx = truncToInt(viewState.queryPoint.x * zoom + 0.5);
  const int32_t cy = truncToInt((bitmapTileStore.tileHeight - viewState.queryPoint.y) * zoom + 0.5);
  ws::selectBlackPen(dc);
  ws::selectWhiteBrush(dc);
  ws::ellipse(dc, cx - 4, cy - 4, cx + 4, cy + 4);
}

int32_t clampedPosition(int64_t value, int32_t min, int32_t max) {
  return static_cast<int32_t>(std::clamp<int64_t>(value, min, std::max(min, max)));
}

int64_t scrollStep(int code, int64_t size, int64_t position, int64_t thumb) {
  switch (code) {
    case SCROLL_LINE_UP:
      return 1 - size / 16;
    case SCROLL_LINE_DOWN:
      return size / 16 + 1;
    case SCROLL_PAGE_UP:
      return 1 - size / 2;
    case SCROLL_PAGE_DOWN:
      return size / 2 + 1;
    case SCROLL_THUMB_POSITION:
    case SCROLL_THUMB_TRACK:
      return thumb - position;
    default:
      return 0;
  }
}

// Scrolls one bar to the position nearest to `position` that its range allows.
void scrollTo(ws::Window window, ws::ScrollBar bar, double position) {
  const ws::ScrollState state = ws::scrollState(window, bar);
  ws::setScrollPosition(window, bar,
                        clampedPosition(truncToInt(position + 0.5), state.min, state.max));
}

}  // namespace

void paintView(ws::PaintContext dc, int32_t x0, int32_t y0, int32_t x1, int32_t y1) {
  if (!isImageReady()) return;
  ws::setWindowOrigin(dc, x0, y0);
  copyVisibleTiles(dc, x0, y0, x1, y1);
  ws::selectWhiteBrush(dc);
  if (viewState.showTileOutlines) drawTileOutlines(dc);
  if (viewState.queryMode) drawQueryMarker(dc);
  ws::restoreBrush(dc);
}

void fitWindowToImage(ws::Window window, double zoom) {
  if (!isImageReady()) return;
  int32_t width, height;
  getImageExtent(width, height);
  const int32_t zoomedWidth = zoomedExtent(width, zoom), zoomedHeight = zoomedExtent(height, zoom);
  const ws::ClientRect client = ws::clientRect(window);
  const int32_t newWidth = client.right > zoomedWidth ? zoomedWidth : client.right;
  const int32_t newHeight = client.bottom > zoomedHeight ? zoomedHeight : client.bottom;
  // The window keeps a scroll bar where the picture stays larger than the new client area.
  if (newWidth != client.right || newHeight != client.bottom) {
    ws::resizeClientArea(window, newWidth, newHeight, zoomedWidth > newWidth,
                         zoomedHeight > newHeight);
  }
  updateScrollRanges(window, zoom);
}

void updateScrollRanges(ws::Window window, double zoom) {
  if (!isImageReady()) return;
  int32_t width, height;
  getImageExtent(width, height);
  const int64_t zoomedWidth = zoomedExtent(width, zoom), zoomedHeight = zoomedExtent(height, zoom);
  if (viewState.scrollUpdateDepth != 0) return;
  viewState.scrollUpdateDepth = 1;
  ws::ClientRect rect = clientSizeWithoutScrollBars(window);
  for (int pass = 0; pass < 2; ++pass) {
    const int32_t hmax = static_cast<int32_t>(std::max<int64_t>(0, zoomedWidth - rect.right));
    const int32_t vmax = static_cast<int32_t>(std::max<int64_t>(0, zoomedHeight - rect.bottom));
    if (ws::scrollState(window, ws::ScrollBar::Vertical).pos > vmax ||
        ws::scrollState(window, ws::ScrollBar::Horizontal).pos > hmax) {
      ws::invalidate(window);
    }
    ws::setScrollRange(window, ws::ScrollBar::Vertical, 0, vmax);
    ws::setScrollRange(window, ws::ScrollBar::Horizontal, 0, hmax);
    rect = ws::clientRect(window);
  }
  viewState.scrollUpdateDepth -= 1;
}

ws::ClientRect clientSizeWithoutScrollBars(ws::Window window) {
  ws::ClientRect rect = ws::clientRect(window);
  if (ws::hasScrollBarStyle(window, ws::ScrollBar::Horizontal)) {
    rect.bottom += ws::scrollBarThickness(ws::ScrollBar::Horizontal);
  }
  if (ws::hasScrollBarStyle(window, ws::ScrollBar::Vertical)) {
    rect.right += ws::scrollBarThickness(ws::ScrollBar::Vertical);
  }
  return rect;
}

void onScroll(ws::Window window, ws::ScrollBar bar, int code, int32_t thumbPosition) {
  const ws::ScrollState state = ws::scrollState(window, bar);
  const ws::ClientRect client = ws::clientRect(window);
  const int64_t size = bar == ws::ScrollBar::Vertical ? client.bottom : client.right;
  const int64_t step = scrollStep(code, size, state.pos, thumbPosition);
  const int32_t moved = clampedPosition(state.pos + step, state.min, state.max);
  const int32_t d = moved - state.pos;
  if (d == 0) return;
  if (bar == ws::ScrollBar::Vertical) {
    ws::scrollWindow(window, 0, -d);
  } else {
    ws::scrollWindow(window, -d, 0);
  }
  ws::setScrollPosition(window, bar, state.pos + d);
}

double steppedZoom(double zoom, int notches) {
  for (; notches > 0 && zoom < MAX_KEY_ZOOM; --notches) zoom *= ZOOM_IN_STEP;
  for (; notches < 0 && zoom > MIN_KEY_ZOOM; ++notches) zoom *= ZOOM_OUT_STEP;
  return zoom;
}

void onWheel(ws::Window window, ws::ScrollBar bar, int notches) {
  const int code = notches > 0 ? SCROLL_LINE_UP : SCROLL_LINE_DOWN;
  for (int step = 0; step < WHEEL_LINES * std::abs(notches); ++step) onScroll(window, bar, code, 0);
}

void zoomAbout(ws::Window window, int notches, int32_t x, int32_t y) {
  const double before = viewState.zoom;
  const double pictureX = (x + ws::scrollState(window, ws::ScrollBar::Horizontal).pos) / before;
  const double pictureY = (y + ws::scrollState(window, ws::ScrollBar::Vertical).pos) / before;
  viewState.zoom = steppedZoom(before, notches);
  fitWindowToImage(window, viewState.zoom);
  scrollTo(window, ws::ScrollBar::Horizontal, pictureX * viewState.zoom - x);
  scrollTo(window, ws::ScrollBar::Vertical, pictureY * viewState.zoom - y);
  ws::invalidate(window);
}

}  // namespace quorvel
