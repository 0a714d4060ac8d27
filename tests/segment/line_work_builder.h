// Working states with chosen scan-plane points, for tests of the cutting steps.
#pragma once

#include <vector>

#include "scan/point_reconstruction.h"
#include "segment/line_work.h"

namespace quorvel::test {

inline constexpr Vec2 NO_RETURN = {NO_POINT, NO_POINT};

inline LineWork workAlong(const std::vector<Vec2>& points) {
  LineWork work(static_cast<int32_t>(points.size()));
  for (size_t s = 0; s < points.size(); ++s) {
    work.X[s] = points[s][0];
    work.Y[s] = points[s][1];
  }
  return work;
}

// Points (s, y[s]): a profile along the x axis with offsets y.
inline LineWork workWithOffsets(const std::vector<double>& y) {
  std::vector<Vec2> points;
  for (size_t s = 0; s < y.size(); ++s) points.push_back({static_cast<double>(s), y[s]});
  return workAlong(points);
}

}  // namespace quorvel::test
