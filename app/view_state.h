// What the main window shows and how: the project and picture, zoom, query mode and point, the
// segment found by the last query click, tile outlines. One process-wide instance, `viewState`.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "scan/derived_buffers.h"

namespace quorvel {

struct QueryPoint {
  double x = 0;  // picture pixels from the left edge
  double y = 0;  // picture pixels upward from the bottom edge
};

struct ViewState {
  std::string project;  // the MDL file of the loaded project; empty before the first load
  std::string picture;  // the picture shown, by its output name ("range", ...); empty: none
  double zoom = 1.0;    // window pixels per picture pixel
  int32_t queryMode = 0;
  QueryPoint queryPoint;
  std::optional<SegmentRecord> querySegment;  // a copy, so a new load cannot leave it dangling
  int32_t showTileOutlines = 0;
  int32_t scrollUpdateDepth = 0;  // re-entry guard of the scroll-range update
};

extern ViewState viewState;

// Picture size v at zoom, rounded up to whole pixels but dropping fractions under a tenth;
// computed in 64 bits and held within the int range.
int32_t zoomedExtent(int32_t v, double zoom);

// trunc(value), held within the int range (NaN gives 0).
int32_t truncToInt(double value);

}  // namespace quorvel
