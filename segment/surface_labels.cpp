#include "segment/surface_labels.h"

#include <array>
#include <cmath>

#include "segment/surface_classes.h"

namespace quorvel {

namespace {

constexpr uint8_t UNLABELLED = 255;
constexpr double GROUND_MIN_RUN = 0.05;  // a slope is judged over at least this much across
constexpr double LEVEL_NOISE = 0.02;     // metres of height a level point may stray
constexpr double VERTICAL_STEP = 0.05;   // metres across a vertical run's step may exceed its rise

// The road stretch up to the bound, then (beyond an own kerb) the face: the points from the
// road's end to the footway, and the footway's first points while they still stand on the face's
// top. Returns the last sample labelled, where the ground is followed on from.
int32_t labelRoad(const LineGround& g, int side, const SideBound& bound, std::span<uint8_t> row) {
  const SideGround& sg = g.sides[side];
  const uint8_t beyond = bound.kind == BoundKind::OwnKerb ? SURFACE_KERB : SURFACE_GROUND;
  for (int32_t s = g.nadir;; s += sg.step) {
    if (g.hasPoint(s)) {
      const bool within = g.distance(side, s) <= bound.distance;
      row[s] = within ? SURFACE_CARRIAGEWAY : beyond;
    }
    if (s == sg.roadEnd) break;
  }
  if (bound.kind != BoundKind::OwnKerb) return sg.roadEnd;
  int32_t last = sg.roadEnd;
  for (int32_t s = sg.faceFirst; g.inLine(s); s += sg.step) {
    if (!g.hasPoint(s)) continue;
    const bool beforeFootway = (s - sg.footwayFirst) * sg.step < 0;
    const bool onFace = beforeFootway || g.distance(side, s) <= sg.faceD + KERB_FOOT_MARGIN;
    row[s] = onFace ? SURFACE_KERB : SURFACE_GROUND;
    last = s;
    if (!onFace) break;
  }
  return last;
}

// Follows the ground outward from `from`, a ground or road sample: a point continues it when
// it lies level with the last ground point, or rises or falls at most GROUND_MAX_SLOPE from the
// last one at least GROUND_MIN_RUN further in (so that noise across steep slopes does not end
// them).
void followGround(const LineGround& g, int side, int32_t from, std::span<uint8_t> row) {
  const int32_t step = g.sides[side].step;
  std::array<int32_t, MAX_LINE_SAMPLES> ground;
  size_t count = 0;
  ground[count++] = from;
  int32_t missed = 0;
  for (int32_t s = from + step; g.inLine(s) && missed < STOP_COUNT; s += step) {
    if (!g.hasPoint(s) || row[s] != UNLABELLED) continue;
    const double d = g.distance(side, s);
    const int32_t last = ground[count - 1];
    bool continues = std::fabs(g.z[s] - g.z[last]) <= g.tolerance &&
                     d >= g.distance(side, last) - KERB_FACE_WIDTH;
    for (size_t k = count; k-- > 0 && !continues;) {
      const double run = d - g.distance(side, ground[k]);
      if (run < GROUND_MIN_RUN) continue;
      continues = std::fabs(g.z[s] - g.z[ground[k]]) <= GROUND_MAX_SLOPE * run + g.tolerance;
      break;
    }
    if (continues) {
      row[s] = SURFACE_GROUND;
      ground[count++] = s;
      missed = 0;
    } else {
      ++missed;
    }
  }
}

// Runs of unlabelled points standing within VERTICAL_WIDTH of their mean offset, each above or
// below the one before (it lies at most VERTICAL_STEP further across than up or down).
void labelVerticalRuns(const LineGround& g, std::span<uint8_t> row) {
  int32_t first = -1, last = -1, count = 0;
  double sumU = 0, low = 0, high = 0;
  auto close = [&](int32_t end) {
    if (count >= 3 && high - low >= VERTICAL_MIN_HEIGHT) {
      for (int32_t s = first; s < end; ++s) {
        if (row[s] == UNLABELLED && g.hasPoint(s)) row[s] = SURFACE_VERTICAL;
      }
    }
    count = 0;
  };
  for (int32_t s = 0; s < g.samples; ++s) {
    if (!g.hasPoint(s)) continue;
    if (row[s] != UNLABELLED) {
      close(s);
      continue;
    }
    if (count > 0 &&
        (std::fabs(g.u[s] - sumU / count) > VERTICAL_WIDTH ||
         std::fabs(g.u[s] - g.u[last]) > std::fabs(g.z[s] - g.z[last]) + VERTICAL_STEP)) {
      close(s);
    }
    if (count == 0) first = s, sumU = 0, low = high = g.z[s];
    sumU += g.u[s];
    low = std::min(low, g.z[s]);
    high = std::max(high, g.z[s]);
    last = s;
    ++count;
  }
  close(g.samples);
}

bool levelWithNeighbour(const LineGround& g, int32_t s) {
  for (const int32_t t : {s - 1, s + 1}) {
    if (!g.inLine(t) || !g.hasPoint(t)) continue;
    if (std::fabs(g.z[t] - g.z[s]) <= LEVEL_SLOPE * std::fabs(g.u[t] - g.u[s]) + LEVEL_NOISE)
      return true;
  }
  return false;
}

}  // namespace

void labelSurfaces(const LineGround& g, const SideBound (&bounds)[2], std::span<uint8_t> row) {
  for (int32_t s = 0; s < g.samples; ++s) row[s] = g.hasPoint(s) ? UNLABELLED : SURFACE_NO_POINT;
  if (g.hasRoad) {
    int32_t groundFrom[2];
    for (int side = 0; side < 2; ++side) groundFrom[side] = labelRoad(g, side, bounds[side], row);
    labelVerticalRuns(g, row);
    for (int side = 0; side < 2; ++side) followGround(g, side, groundFrom[side], row);
  } else {
    labelVerticalRuns(g, row);
  }
  for (int32_t s = 0; s < g.samples; ++s) {
    if (row[s] != UNLABELLED) continue;
    const bool low = g.hasRoad && g.z[s] <= g.zRef + LOW_GROUND_HEIGHT;
    row[s] = low && levelWithNeighbour(g, s) ? SURFACE_GROUND : SURFACE_OTHER;
  }
}

KerbFoot kerbFoot(const LineGround& g, const SideBound& bound, int side) {
  if (bound.kind != BoundKind::OwnKerb) return {};
  const SideGround& sg = g.sides[side];
  const double u = side == 1 ? bound.kerbD : -bound.kerbD;
  const double z = sg.lineZ0 + sg.lineSlope * bound.kerbD;
  return {true, profilePoint(g, u, z), sg.kerbHeight};
}

}  // namespace quorvel
