#include "batch/vehicle_track.h"

#include <cmath>

namespace quorvel::batch {

namespace {

std::array<double, 2> roundedPosition(const ScanLine& line) {
  return {std::round(line.position[0] * 1000.0) / 1000.0,
          std::round(line.position[1] * 1000.0) / 1000.0};
}

}  // namespace

std::vector<std::array<double, 2>> vehicleTrack(const ScanStore& store, int32_t first,
                                                int32_t count) {
  std::vector<std::array<double, 2>> track;
  if (!store.lines || count <= 0 || first < 0 || first + count > store.lineCount) return track;
  const int32_t step = (count + TRACK_VERTICES - 2) / (TRACK_VERTICES - 1);
  for (int32_t l = 0; l < count - 1; l += step) {
    track.push_back(roundedPosition((*store.lines)[static_cast<size_t>(first + l)]));
  }
  track.push_back(roundedPosition((*store.lines)[static_cast<size_t>(first + count - 1)]));
  return track;
}

}  // namespace quorvel::batch
