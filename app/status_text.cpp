#include "app/status_text.h"

#include <cstdio>

#include "app/picture_point.h"
#include "features/range_image.h"
#include "scan/point_reconstruction.h"
#include "scan/segment_lookup.h"
#include "segment/line_class.h"

namespace quorvel {

namespace {

const char* lineClassName(uint8_t code) {
  switch (code) {
    case MASK_NO_POINT:
      return "no point";
    case MASK_NO_LINE:
      return "on no line";
    case LINE_CLASS_LINE:
      return "line";
    case LINE_CLASS_ROAD:
      return "road";
    case LINE_CLASS_VERTICAL:
      return "vertical";
    default:
      return "piece end";
  }
}

std::string regionText(const PictureSample& at) {
  const SegmentRecord* segment = segmentOfSample(scanStore, at.line, at.sample);
  if (!segment) return "no region";
  return "region " + std::to_string(segment->label) + " class " +
         std::to_string(segment->classCode);
}

}  // namespace

std::string zoomText() {
  char text[64];
  std::snprintf(text, sizeof text, "Zoom %.0f %%", viewState.zoom * 100);
  return text;
}

std::string pointerText(ws::Window window, int32_t x, int32_t y) {
  const std::optional<PicturePixel> pixel = pixelAtClientPoint(window, x, y);
  const std::optional<PictureSample> at = pixel ? sampleOfPixel(*pixel) : std::nullopt;
  if (!at || !scanStore.lines) return "";
  const double range = rangeOf(scanStore, at->line, at->sample);
  double pointRangeOf;  // a valid range on a line whose pose is rejected has no point either
  const bool hasPoint = pointRange(scanStore, (*scanStore.lines)[static_cast<size_t>(at->line)],
                                   at->sample, pointRangeOf);
  char text[96];
  std::snprintf(text, sizeof text, "line %d, sample %d, range %.2f%s", at->line, at->sample, range,
                hasPoint ? "" : " (no point)");
  std::string result = text;
  if (scanStore.lineSegmentMask) {
    result += std::string(", ") +
              lineClassName(
                  (*scanStore.lineSegmentMask)[lineMajorIndex(scanStore, at->line, at->sample)]);
  }
  if (scanStore.labelMap) result += ", " + regionText(*at);
  return result;
}

}  // namespace quorvel
