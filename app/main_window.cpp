#include "app/main_window.h"

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/export_commands.h"
#include "app/view.h"
#include "features/range_image.h"
#include "features/segment_params.h"
#include "features/variance_map.h"
#include "render/bitmap_tile_store.h"
#include "render/contour_picture.h"
#include "render/normal_picture.h"
#include "render/range_picture.h"
#include "render/segment_picture.h"
#include "render/variance_picture.h"
#include "scan/project_load.h"
#include "scan/segment_lookup.h"
#include "segment/line_segger.h"
#include "segment/region_segmentation.h"

namespace quorvel {

namespace {

void showError(const std::string& text, const std::string& caption) {
  ws::messageBox(nullptr, text, caption, ws::MessageButtons::Ok, ws::MessageIcon::None);
}

void setZoom(ws::Window window, double zoom) {
  viewState.zoom = zoom;
  fitWindowToImage(window, zoom);
  ws::invalidate(window);
}

void toggleCheck(ws::Window window, int command, int32_t& flag) {
  flag = !flag;
  ws::checkMenuItem(window, command, flag != 0);
}

// VarianceMap and NormalMap: the surface estimation, then its picture.
void surfacePicture(ws::Window window, int (*buildPicture)()) {
  if (!createVarianceMap()) {
    showError("Estimate surface variance and normal failure.", "Error");
    return;
  }
  buildPicture();
  ws::invalidate(window);
}

// Segment Regions: the region segmentation, seen through the query click; the picture shows
// the line classes. Ends silently when the surface estimation fails.
void regionSegmentation(ws::Window window) {
  resetSegmentParams();
  if (!createVarianceMap()) return;
  USFsegger();
  Segment2MeshBmp();
  ws::invalidate(window);
}

void rangeImage(ws::Window window) {
  if (!Range2MeshBmp()) {
    showError("Generate range image failure.", "Error");
    return;
  }
  ws::invalidate(window);
}

bool zoomCommand(ws::Window window, int command) {
  switch (command) {
    case CMD_ZOOM_25:
      setZoom(window, 0.25);
      return true;
    case CMD_ZOOM_50:
      setZoom(window, 0.5);
      return true;
    case CMD_ZOOM_100:
      setZoom(window, 1.0);
      return true;
    case CMD_ZOOM_150:
      setZoom(window, 1.5);
      return true;
    case CMD_ZOOM_200:
      setZoom(window, 2.0);
      return true;
    default:
      return false;
  }
}

bool optionCommand(ws::Window window, int command) {
  switch (command) {
    case CMD_TILE_OUTLINES:
      toggleCheck(window, command, viewState.showTileOutlines);
      ws::invalidate(window);
      return true;
    case CMD_QUERY_MODE:
      toggleCheck(window, command, viewState.queryMode);
      viewState.queryPoint = {};
      ws::invalidate(window);
      return true;
    case CMD_INVERSE:
      toggleCheck(window, command, renderParams.inverse);
      return true;
    case CMD_MASK_RANGE:
      ws::runModalDialog(window, IDD_MASK_RANGE, maskRangeDlgProc);
      return true;
    default:
      return false;
  }
}

}  // namespace

void onCreate() {
  viewState.queryMode = 0;
  viewState.zoom = 1.0;
  initScanStore();
  initRenderState();
  resetSegmentParams();
}

void onDestroy() {
  freeScanStore();
  freeBitmapTiles();
}

void onSize(ws::Window window) {
  updateScrollRanges(window, viewState.zoom);
}

void onPaint(ws::Window window, ws::PaintContext dc) {
  const ws::ClientRect client = ws::clientRect(window);
  const int32_t x0 = ws::scrollState(window, ws::ScrollBar::Horizontal).pos;
  const int32_t y0 = ws::scrollState(window, ws::ScrollBar::Vertical).pos;
  paintView(dc, x0, y0, x0 + client.right, y0 + client.bottom);
}

bool onClose(ws::Window window) {
  return ws::messageBox(window, "OK to close window?", MAIN_WINDOW_TITLE,
                        ws::MessageButtons::OkCancel,
                        ws::MessageIcon::Question) == ws::MessageAnswer::Ok;
}

void onKeyDown(ws::Window window, Key key) {
  if (key == Key::Other) return;
  if (key == Key::Home && viewState.zoom < MAX_KEY_ZOOM) viewState.zoom *= ZOOM_IN_STEP;
  if (key == Key::End && viewState.zoom > MIN_KEY_ZOOM) viewState.zoom *= ZOOM_OUT_STEP;
  fitWindowToImage(window, viewState.zoom);
  ws::invalidate(window);
}

void onLeftButtonDown(ws::Window window, uint16_t x, uint16_t y) {
  if (!isImageReady()) return;
  int32_t width, height;
  getImageExtent(width, height);
  if (!viewState.queryMode) return;
  const int32_t hpos = ws::scrollState(window, ws::ScrollBar::Horizontal).pos;
  const int32_t vpos = ws::scrollState(window, ws::ScrollBar::Vertical).pos;
  viewState.queryPoint.x = (x + static_cast<double>(hpos)) / viewState.zoom;
  viewState.queryPoint.y = height - (y + static_cast<double>(vpos)) / viewState.zoom;
  const SegmentRecord* segment = findSegmentAt(viewState.queryPoint);
  viewState.querySegment.reset();
  if (!segment) {
    ws::messageBox(nullptr, "Unknown segment info", "Warning", ws::MessageButtons::Ok,
                   ws::MessageIcon::None);
    return;
  }
  viewState.querySegment = *segment;
  if (ws::runModalDialog(window, IDD_QUERY_INFO, queryInfoDlgProc) != 0) ws::invalidate(window);
}

void onCommand(ws::Window window, int command) {
  if (zoomCommand(window, command) || optionCommand(window, command) ||
      exportCommand(window, command)) {
    return;
  }
  switch (command) {
    case CMD_LOAD_MDL:
      loadProject(window);
      break;
    case CMD_ABOUT:
      ws::runModalDialog(window, IDD_ABOUT, aboutDlgProc);
      break;
    case CMD_EXIT:
      ws::postCloseRequest(window);
      break;
    case CMD_RANGE_IMAGE:
      rangeImage(window);
      break;
    case CMD_VARIANCE_MAP:
      surfacePicture(window, Variance2MeshBmp);
      break;
    case CMD_NORMAL_MAP:
      surfacePicture(window, Normal2MeshBmp);
      break;
    case CMD_CONTOUR_MAP:
      Contour2MeshBmp();
      ws::invalidate(window);
      break;
    case CMD_SEGMENT_REGIONS:
      regionSegmentation(window);
      break;
    case CMD_LINE_SEGGER:
      LineSegger();
      Segment2MeshBmp();
      ws::invalidate(window);
      break;
    default:
      break;
  }
}

void loadProject(ws::Window window) {
  const ws::FileDialog dialog{"Load MDL file",
                              {{"MDL File(*.mdl)", "*.mdl*"}, {"All files(*.*)", "*.*"}},
                              "",
                              ws::FILE_MUST_EXIST | ws::FILE_HIDE_READ_ONLY};
  std::string path;
  if (!ws::openFileDialog(window, dialog, path)) return;
  ProjectLoad load;
  ProjectLoadFailure failure;
  if (!readProject(path, projectPaths, sensorCalib, load, failure)) {
    showError(failure.text, failure.caption);
    return;
  }
  installProject(std::move(load), projectPaths, sensorCalib, scanStore);
  if (!Range2MeshBmp()) {
    showError("Generate BMP mesh failure.", "Error");
    return;
  }
  fitWindowToImage(window, viewState.zoom);
  ws::invalidate(window);
}

const SegmentRecord* findSegmentAt(const QueryPoint& point) {
  int32_t width, height;
  getImageExtent(width, height);
  const int64_t up = truncToInt(point.y + 0.5);
  const int64_t sample = bitmapTileStore.inverse ? up : height - up - 1;
  const int64_t line = truncToInt(point.x + 0.5);
  return segmentOfSample(scanStore, line, sample);
}

}  // namespace quorvel
