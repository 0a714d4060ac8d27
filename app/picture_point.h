// Where a point of the window lies on the picture. A window pixel shows the picture pixel that
// contains its canvas position divided by the zoom (the floor of the continuous picture
// coordinate), at every zoom and scroll position; the query click, the query marker and the
// status bar all use this one mapping.
#pragma once

#include <cstdint>
#include <optional>

#include "app/view_state.h"
#include "app/window_system.h"

namespace quorvel {

struct PicturePixel {
  int32_t column = 0;  // 0 = left edge of the picture
  int32_t row = 0;     // 0 = top edge
};

struct PictureSample {
  int32_t line = 0;    // scan line
  int32_t sample = 0;  // sample of the line
};

// The picture pixel under client point (x, y) at the window's zoom and scroll positions; none
// off the picture or without one.
std::optional<PicturePixel> pixelAtClientPoint(ws::Window window, int32_t x, int32_t y);

// The pixel that contains a picture point (y upward from the bottom edge); none off the picture.
std::optional<PicturePixel> pixelAtPicturePoint(const QueryPoint& point);

// The centre of a pixel, as a picture point.
QueryPoint pixelCentre(const PicturePixel& pixel);

// The sample the pixel shows: the scan line of its column (the columns beyond the last line
// repeat it), the sample of its row as the picture was built (with Inverse or without); none
// when the loaded scan has no such sample.
std::optional<PictureSample> sampleOfPixel(const PicturePixel& pixel);

}  // namespace quorvel
