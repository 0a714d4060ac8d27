#include "app/picture_legend.h"

#include <cstdio>

#include "render/region_picture.h"
#include "scan/byte_level.h"
#include "segment/line_class.h"

namespace quorvel {

namespace {

constexpr PaletteColour WHITE{255, 255, 255};

std::string number(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  return text;
}

PaletteColour grey(double range, const RenderParams& render) {
  const uint8_t level = byteLevel(range, render.rangeGreyScale);
  return {level, level, level};
}

// Grey levels at ranges 0, 10, 20, 30 and where the grey reaches white.
std::vector<LegendSwatch> rangeLegend(const RenderParams& render) {
  std::vector<LegendSwatch> legend;
  for (double range : {0.0, 10.0, 20.0, 30.0}) {
    legend.push_back({grey(range, render), (range == 0 ? "range " : "") + number(range)});
  }
  const double white = 255 / render.rangeGreyScale;
  legend.push_back({grey(white, render), number(white) + " and more"});
  return legend;
}

// The twelve bands of varianceTol each, by their lower bounds; the colours then repeat.
std::vector<LegendSwatch> varianceLegend(const SegmentParams& segment) {
  std::vector<LegendSwatch> legend;
  for (unsigned band = 0; band < 12; ++band) {
    legend.push_back(
        {CLASS_PALETTE[band], (band == 0 ? "variance " : "") + number(band * segment.varianceTol)});
  }
  legend.push_back({WHITE, "no value"});
  return legend;
}

PaletteColour lineClassColour(uint8_t code) {
  return CLASS_PALETTE[code % 12];
}

std::vector<LegendSwatch> regionLegend() {
  return {{regionColour(0), "region 0"},
          {regionColour(1), "1"},
          {regionColour(2), "2, ... each its own colour"},
          {WHITE, "no region"}};
}

}  // namespace

std::vector<LegendSwatch> pictureLegend(const std::string& picture, const RenderParams& render,
                                        const SegmentParams& segment) {
  if (picture == "range") return rangeLegend(render);
  if (picture == "variance") return varianceLegend(segment);
  if (picture == "normal") {
    return {{{0, 0, 255}, "normal z (red: level)"},
            {{0, 255, 0}, "normal y"},
            {{255, 0, 0}, "normal x"},
            {WHITE, "no normal"}};
  }
  if (picture == "contour") {
    return {{{0, 0, 255}, "depth edge"},
            {grey(20, render), "range in grey"},
            {WHITE, "no point, border"}};
  }
  if (picture == "segment") {
    return {{lineClassColour(LINE_CLASS_ROAD), "road"},
            {lineClassColour(LINE_CLASS_VERTICAL), "vertical"},
            {lineClassColour(LINE_CLASS_LINE), "line, no point"},
            {lineClassColour(MASK_NO_LINE), "on no line"},
            {lineClassColour(MASK_PIECE_END), "piece end"}};
  }
  if (picture == "regions") return regionLegend();
  return {};
}

}  // namespace quorvel
