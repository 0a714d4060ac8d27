// The colour ramps of the batch page's map layers, in one place: the tiles take their colours
// from here and the page's legend draws the same stops. Between two stops each channel goes
// linearly with the value (with its logarithm on a log ramp) and is rounded to the nearest
// integer; values beyond the ends take the end colours.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace quorvel::batch {

using Rgb = std::array<uint8_t, 3>;

struct RampStop {
  double value = 0.0;
  Rgb colour{};
};

struct ColourRamp {
  bool logScale = false;        // values > 0 only
  std::vector<RampStop> stops;  // ascending values, at least two
};

// Points per cell: 1 ... 255 on a log scale (viridis: dark blue, blue, teal, green, yellow).
ColourRamp countRamp();

// Road heights lo ... hi in metres (blue, green, pale yellow, orange, red); hi > lo.
ColourRamp heightRamp(double lo, double hi);

Rgb rampColour(const ColourRamp& ramp, double value);

}  // namespace quorvel::batch
