#include "batch/colour_ramp.h"

#include <cmath>

namespace quorvel::batch {

namespace {

double position(const ColourRamp& ramp, double value) {
  return ramp.logScale ? std::log(value) : value;
}

}  // namespace

ColourRamp countRamp() {
  return {true,
          {{1, {0x44, 0x01, 0x54}},
           {4, {0x3b, 0x52, 0x8b}},
           {16, {0x21, 0x91, 0x8c}},
           {64, {0x5e, 0xc9, 0x62}},
           {255, {0xfd, 0xe7, 0x25}}}};
}

ColourRamp heightRamp(double lo, double hi) {
  const Rgb colours[] = {{0x2b, 0x83, 0xba},
                         {0xab, 0xdd, 0xa4},
                         {0xff, 0xff, 0xbf},
                         {0xfd, 0xae, 0x61},
                         {0xd7, 0x19, 0x1c}};
  ColourRamp ramp{false, {}};
  for (int i = 0; i < 5; ++i) ramp.stops.push_back({lo + (hi - lo) * i / 4.0, colours[i]});
  return ramp;
}

Rgb rampColour(const ColourRamp& ramp, double value) {
  const std::vector<RampStop>& stops = ramp.stops;
  if (!(value > stops.front().value)) return stops.front().colour;
  if (value >= stops.back().value) return stops.back().colour;
  size_t i = 1;
  while (stops[i].value <= value) ++i;
  const RampStop& a = stops[i - 1];
  const RampStop& b = stops[i];
  const double t = (position(ramp, value) - position(ramp, a.value)) /
                   (position(ramp, b.value) - position(ramp, a.value));
  Rgb colour;
  for (size_t c = 0; c < 3; ++c) {
    colour[c] = static_cast<uint8_t>(std::lround(a.colour[c] + t * (b.colour[c] - a.colour[c])));
  }
  return colour;
}

}  // namespace quorvel::batch
