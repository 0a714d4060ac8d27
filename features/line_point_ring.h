// The world points of a band of consecutive scan lines, held in a ring of line slots that
// slides forward one line at a time: every point is computed once per pass, not once per
// neighbourhood that reads it. Coordinates are stored per axis; a sample without a point holds
// NaN coordinates (so every distance to it is NaN and fails any threshold), and every line has
// `margin` such samples on either side, so that window loops need no bounds tests along the
// line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "scan/calib_file.h"
#include "scan/point_reconstruction.h"
#include "scan/scan_store.h"

namespace quorvel {

struct LinePointRing {
  int32_t slots = 0;          // lines held at once
  int32_t pointsPerLine = 0;  // P
  int32_t margin = 0;         // samples without a point before sample 0 and after sample P - 1
  int32_t nextLine = 0;       // the next line fillUpTo computes
  std::vector<double> x, y, z;

  // Sizes the ring and fills it with NaN; may throw std::bad_alloc.
  void allocate(int32_t lineSlots, int32_t samples, int32_t sampleMargin);
  void start(int32_t firstLine) { nextLine = firstLine; }

  // Computes lines nextLine ... last, each into the slot of the line `slots` lines earlier;
  // angles: sampleAngles(store).
  void fillUpTo(int32_t last, const ScanStore& store, const SensorCalib& calib,
                const SampleAngles& angles);

  // Position of sample s (-margin <= s < P + margin) of line l, which must be one of the last
  // `slots` lines computed.
  size_t at(int32_t l, int32_t s) const {
    const size_t stride = static_cast<size_t>(pointsPerLine + 2 * margin);
    return static_cast<size_t>(l % slots) * stride + static_cast<size_t>(margin + s);
  }
};

}  // namespace quorvel
