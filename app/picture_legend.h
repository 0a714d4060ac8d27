// What the colours of each picture mean, for the window's legend: the class colours of the
// segment and regions pictures, the bands of the variance picture, the grey scale of the range
// and contour pictures, the channels of the normal picture. Samples in the mask band are white
// in every picture but the contour picture.
#pragma once

#include <string>
#include <vector>

#include "features/range_image.h"
#include "features/segment_params.h"
#include "render/class_palette.h"

namespace quorvel {

struct LegendSwatch {
  PaletteColour colour;
  std::string text;  // what the colour stands for; a scale's value at that colour
};

// The legend of the picture with that output name ("range", "variance", "normal", "contour",
// "segment", "regions"), with the current parameters; empty for any other name.
std::vector<LegendSwatch> pictureLegend(const std::string& picture, const RenderParams& render,
                                        const SegmentParams& segment);

}  // namespace quorvel
