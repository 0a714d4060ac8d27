#include "app/main_window.h"

#include "app/command_stages.h"
#include "app/commands.h"
#include "app/dialogs.h"
#include "app/export_commands.h"
#include "app/picture_point.h"
#include "app/view.h"
#include "app/window_title.h"
#include "features/range_image.h"
#include "features/segment_params.h"
#include "features/variance_map.h"
#include "render/bitmap_tile_store.h"
#include "render/contour_picture.h"
#include "render/normal_picture.h"
#include "render/range_picture.h"
#include "render/region_picture.h"
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

// The picture just built is on show: its name in the title, then the repaint.
void showPicture(ws::Window window, const char* name) {
  viewState.picture = name;
  showWindowTitle(window);
  ws::invalidate(window);
}

// A build that returned 1 replaced the picture; one that returned 0 left the previous one.
void builtPicture(ws::Window window, int built, const char* name) {
  if (built) {
    showPicture(window, name);
  } else {
    ws::invalidate(window);
  }
}

// No picture: the window shows nothing and hides its scroll bars.
void clearPicture(ws::Window window) {
  clearPicture(bitmapTileStore);
  viewState.picture.clear();
  ws::setScrollRange(window, ws::ScrollBar::Vertical, 0, 0);
  ws::setScrollRange(window, ws::ScrollBar::Horizontal, 0, 0);
  showWindowTitle(window);
  ws::invalidate(window);
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
void surfacePicture(ws::Window window, int (*buildPicture)(), const char* name) {
  const StageEnd surface = runCommandStage(window, SURFACE_TASK, createVarianceMap);
  if (surface == StageEnd::Failed) {
    showError("Estimate surface variance and normal failure.", "Error");
  }
  if (surface == StageEnd::Done) builtPicture(window, buildPicture(), name);
}

// The region segmentation of Segment Regions and RegionMap: false when it was cancelled (which
// drops a surface estimation made for it) or the surface estimation failed, which only RegionMap
// reports.
bool segmentRegionsForCommand(ws::Window window, bool reportSurfaceFailure) {
  resetSegmentParams();
  const bool hadSurface = scanStore.varianceMap && scanStore.normalMap;
  const StageEnd surface = runCommandStage(window, SURFACE_TASK, createVarianceMap);
  if (surface == StageEnd::Failed && reportSurfaceFailure) {
    showError("Estimate surface variance and normal failure.", "Error");
  }
  if (surface != StageEnd::Done) return false;
  if (runCommandStage(window, REGIONS_TASK, USFsegger) != StageEnd::Cancelled) return true;
  if (!hadSurface) {
    scanStore.varianceMap.reset();
    scanStore.normalMap.reset();
  }
  return false;
}

// Segment Regions: the region segmentation, seen through the query click; the picture shows
// the line classes. Ends silently when the surface estimation fails.
void regionSegmentation(ws::Window window) {
  if (segmentRegionsForCommand(window, false)) builtPicture(window, Segment2MeshBmp(), "segment");
}

// RegionMap: the region segmentation as Segment Regions runs it, then the regions picture.
void regionPicture(ws::Window window) {
  if (segmentRegionsForCommand(window, true)) builtPicture(window, Region2MeshBmp(), "regions");
}

// LineSegger: the line segmentation, then the picture of its classes.
void lineSegmentation(ws::Window window) {
  if (runCommandStage(window, LINES_TASK, LineSegger) == StageEnd::Cancelled) return;
  builtPicture(window, Segment2MeshBmp(), "segment");
}

void rangeImage(ws::Window window) {
  if (!Range2MeshBmp()) {
    showError("Generate range image failure.", "Error");
    return;
  }
  showPicture(window, "range");
}

// The arrow and page keys: one line or page step along their bar.
void scrollKey(ws::Window window, Key key) {
  const bool vertical =
      key == Key::Up || key == Key::Down || key == Key::PageUp || key == Key::PageDown;
  const bool forward = key == Key::Right || key == Key::Down || key == Key::PageDown;
  const bool page = key == Key::PageUp || key == Key::PageDown;
  const int code = page ? (forward ? SCROLL_PAGE_DOWN : SCROLL_PAGE_UP)
                        : (forward ? SCROLL_LINE_DOWN : SCROLL_LINE_UP);
  onScroll(window, vertical ? ws::ScrollBar::Vertical : ws::ScrollBar::Horizontal, code, 0);
}

// Why no picture could be built for a project that loaded.
std::string pictureFailureReason() {
  if (scanStore.lineCount > 0) return "not enough memory for the picture";
  return "no scan line: the first " + std::to_string(SKIPPED_LEADING_LINES) +
         " records are never loaded";
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
  if (key != Key::Home && key != Key::End) {
    scrollKey(window, key);
    return;
  }
  viewState.zoom = steppedZoom(viewState.zoom, key == Key::Home ? 1 : -1);
  fitWindowToImage(window, viewState.zoom);
  ws::invalidate(window);
}

// The query point is the centre of the picture pixel under the click, so that the lookup and
// the marker take the sample that the clicked pixel shows; off the picture it is the clicked
// point itself, and no segment is found there.
void onLeftButtonDown(ws::Window window, uint16_t x, uint16_t y) {
  if (!isImageReady()) return;
  int32_t width, height;
  getImageExtent(width, height);
  if (!viewState.queryMode) return;
  if (const std::optional<PicturePixel> pixel = pixelAtClientPoint(window, x, y)) {
    viewState.queryPoint = pixelCentre(*pixel);
  } else {
    const int32_t hpos = ws::scrollState(window, ws::ScrollBar::Horizontal).pos;
    const int32_t vpos = ws::scrollState(window, ws::ScrollBar::Vertical).pos;
    viewState.queryPoint.x = (x + static_cast<double>(hpos)) / viewState.zoom;
    viewState.queryPoint.y = height - (y + static_cast<double>(vpos)) / viewState.zoom;
  }
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
      surfacePicture(window, Variance2MeshBmp, "variance");
      break;
    case CMD_NORMAL_MAP:
      surfacePicture(window, Normal2MeshBmp, "normal");
      break;
    case CMD_CONTOUR_MAP:
      builtPicture(window, Contour2MeshBmp(), "contour");
      break;
    case CMD_SEGMENT_REGIONS:
      regionSegmentation(window);
      break;
    case CMD_LINE_SEGGER:
      lineSegmentation(window);
      break;
    case CMD_REGION_MAP:
      regionPicture(window);
      break;
    default:
      break;
  }
}

void loadProject(ws::Window window) {
  const ws::FileDialog dialog{"Load MDL file",
                              {{"MDL File(*.mdl)", "*.mdl*"}, {"All files(*.*)", "*.*"}},
                              "",
                              ws::FILE_MUST_EXIST | ws::FILE_HIDE_READ_ONLY,
                              "",
                              ""};
  std::string path;
  if (ws::openFileDialog(window, dialog, path)) openProject(window, path);
}

bool openProject(ws::Window window, const std::string& mdlPath) {
  ProjectLoad load;
  ProjectLoadFailure failure;
  if (!readProject(mdlPath, projectPaths, sensorCalib, load, failure)) {
    showError(failureText(failure.text, failure.caption, failure.reason), failure.caption);
    return false;
  }
  const std::string dsPath = load.dsPath;
  installProject(std::move(load), projectPaths, sensorCalib, scanStore);
  viewState.project = mdlPath;
  ws::setScrollPosition(window, ws::ScrollBar::Horizontal, 0);
  ws::setScrollPosition(window, ws::ScrollBar::Vertical, 0);
  if (!Range2MeshBmp()) {
    clearPicture(window);
    showError(failureText("Generate BMP mesh failure.", dsPath, pictureFailureReason()), "Error");
    return false;
  }
  fitWindowToImage(window, viewState.zoom);
  showPicture(window, "range");
  return true;
}

std::string failureText(const std::string& text, const std::string& path,
                        const std::string& reason) {
  return text + "\n" + path + (reason.empty() ? "" : "\n" + reason);
}

const SegmentRecord* findSegmentAt(const QueryPoint& point) {
  const std::optional<PicturePixel> pixel = pixelAtPicturePoint(point);
  const std::optional<PictureSample> at = pixel ? sampleOfPixel(*pixel) : std::nullopt;
  return at ? segmentOfSample(scanStore, at->line, at->sample) : nullptr;
}

}  // namespace quorvel
