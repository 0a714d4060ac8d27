#include "segment/ground_profile.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

constexpr double NEAR_NADIR = 1.0;  // road points this close across set the reference
// The road line's slope is shrunk toward 0 as if its points were spread over at most this much
// more: short stretches of noisy points say little about the slope.
constexpr double SLOPE_PRIOR_SPAN = 0.5;
constexpr double FOOTWAY_SPAN = 0.6;       // the raised ground is judged over this much
constexpr double FOOTWAY_CROSSFALL = 0.1;  // its slope relative to the road line, at most
constexpr double MIN_FOOTWAY_RUN = 0.1;    // and it reaches at least this far outward
constexpr double MAX_KERB_GAP = 2.5;       // road spacings between road and footway, at most

Vec3 cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}

double dot(const Vec3& a, const Vec3& b) {
  return a[0] * b[0] + a[1] * b[1] + a[2] * b[2];
}

Vec3 unit(const Vec3& v) {
  const double length = std::sqrt(dot(v, v));
  return {v[0] / length, v[1] / length, v[2] / length};
}

// Scanner frame to world for line l: the line's pose rotation times the calibration rotation.
Mat3 beamRotation(const ScanStore& store, const SensorCalib& calib, int32_t l) {
  Mat3 m = (*store.lines)[static_cast<size_t>(l)].rotation;
  mat3Multiply(m, calib.rotation);
  return m;
}

// The straight road line over the last ROAD_FIT_SPAN of fitted points.
class RoadLine {
 public:
  // Starts without points; sums are kept relative to (d, z), added as points come and
  // subtracted as they leave the span.
  void start(double d, double z) {
    originD_ = d, originZ_ = z;
    first_ = count_ = 0;
    n_ = sd_ = sz_ = sdd_ = sdz_ = 0;
  }
  void add(double d, double z) {
    points_[count_++] = {d - originD_, z - originZ_};
    accumulate(points_[count_ - 1], 1.0);
    while (count_ - first_ > 1 && points_[first_][0] < d - originD_ - ROAD_FIT_SPAN) {
      accumulate(points_[first_++], -1.0);
    }
  }
  // The line through the points' mean: least squares with the slope shrunk toward 0 (ridge
  // regression) and held within MAX_ROAD_SLOPE.
  void fit(double& z0, double& slope) const {
    const double md = sd_ / n_, mz = sz_ / n_;
    const double cdd = std::max(0.0, sdd_ - sd_ * md), cdz = sdz_ - sd_ * mz;
    const double prior = n_ * SLOPE_PRIOR_SPAN * SLOPE_PRIOR_SPAN / 12;
    slope = std::clamp(cdz / (cdd + prior), -MAX_ROAD_SLOPE, MAX_ROAD_SLOPE);
    z0 = originZ_ + mz - slope * (originD_ + md);
  }

 private:
  void accumulate(const std::array<double, 2>& p, double sign) {
    n_ += sign;
    sd_ += sign * p[0];
    sz_ += sign * p[1];
    sdd_ += sign * p[0] * p[0];
    sdz_ += sign * p[0] * p[1];
  }

  std::array<std::array<double, 2>, MAX_LINE_SAMPLES> points_;  // each sample at most once
  size_t first_ = 0, count_ = 0;
  double originD_ = 0, originZ_ = 0;
  double n_ = 0, sd_ = 0, sz_ = 0, sdd_ = 0, sdz_ = 0;
};

// The frame of the profile and every sample's offset and height.
void placePoints(const ScanStore& store, const SensorCalib& calib, const WorldPoints& points,
                 int32_t l, LineGround& g) {
  const ScanLine& line = (*store.lines)[static_cast<size_t>(l)];
  g.origin = calib.translation;
  mat3Apply(g.origin, line.rotation);
  vec3Add(g.origin, line.position);
  const Mat3 m = beamRotation(store, calib, l);
  Vec3 normal = {m[2], m[5], m[8]};
  if (dot(normal, travelDirection(store, calib, l)) < 0)
    normal = {-normal[0], -normal[1], -normal[2]};
  const Vec3 up = {0, 0, 1};
  const Vec3 across = cross(up, {normal[0], normal[1], 0.0});
  g.across = dot(across, across) > 1e-12 ? unit(across) : Vec3{0, 1, 0};
  Vec3 upward = cross(normal, g.across);
  if (upward[2] < 0) upward = {-upward[0], -upward[1], -upward[2]};
  g.upward = upward[2] > 1e-6 ? unit(upward) : up;
  g.u.fill(NAN);
  g.z.fill(NAN);
  for (int32_t s = 0; s < store.pointsPerLine; ++s) {
    Vec3 p;
    if (!points(l, s, p)) continue;
    g.u[s] = (p[0] - g.origin[0]) * g.across[0] + (p[1] - g.origin[1]) * g.across[1];
    g.z[s] = p[2];
  }
}

// The sample with the smallest offset among those well below the scanner; -1 when none.
int32_t findNadir(const LineGround& g) {
  int32_t nadir = -1;
  for (int32_t s = 0; s < g.samples; ++s) {
    if (!g.hasPoint(s) || g.z[s] > g.origin[2] - NADIR_MIN_DEPTH) continue;
    if (std::fabs(g.u[s]) > NADIR_MAX_OFFSET) continue;
    if (nadir < 0 || std::fabs(g.u[s]) < std::fabs(g.u[nadir])) nadir = s;
  }
  return nadir;
}

// The sample index step that goes left: the way the sweep turns at the nadir's angle.
int32_t leftStep(const ScanStore& store, const SensorCalib& calib, int32_t l, int32_t nadir,
                 const LineGround& g) {
  const Mat3 m = beamRotation(store, calib, l);
  const double theta = nadir * store.angularStep + store.startAngle;
  Vec3 turn = {-std::sin(theta), std::cos(theta), 0.0};
  mat3Apply(turn, m);
  return turn[0] * g.across[0] + turn[1] * g.across[1] >= 0 ? 1 : -1;
}

// The median height of the points within three samples of the nadir: where the road line starts.
double nadirLevel(const LineGround& g, int32_t nadir) {
  std::array<double, 7> heights{};
  size_t n = 0;
  for (int32_t s = nadir - 3; s <= nadir + 3; ++s) {
    if (!g.inLine(s) || !g.hasPoint(s) || g.z[s] > g.origin[2] - NADIR_MIN_DEPTH) continue;
    size_t i = n++;  // insertion keeps them sorted
    for (; i > 0 && heights[i - 1] > g.z[s]; --i) heights[i] = heights[i - 1];
    heights[i] = g.z[s];
  }
  return n % 2 ? heights[n / 2] : 0.5 * (heights[n / 2 - 1] + heights[n / 2]);
}

// The standard deviation of the heights near the nadir, from the median difference of
// neighbouring points (which the road's slope hardly changes): median |dz| / (0.6745 sqrt 2).
double nadirNoise(const LineGround& g) {
  std::array<double, MAX_LINE_SAMPLES> steps;
  size_t n = 0;
  int32_t previous = -1;
  for (int32_t s = 0; s < g.samples; ++s) {
    const bool near =
        g.hasPoint(s) && std::fabs(g.u[s]) <= NEAR_NADIR && g.z[s] <= g.origin[2] - NADIR_MIN_DEPTH;
    if (!near) continue;
    if (previous >= 0) steps[n++] = std::fabs(g.z[s] - g.z[previous]);
    previous = s;
  }
  if (n == 0) return 0;
  std::nth_element(steps.begin(), steps.begin() + static_cast<ptrdiff_t>(n / 2),
                   steps.begin() + static_cast<ptrdiff_t>(n));
  return steps[n / 2] / (0.6745 * std::sqrt(2.0));
}

struct ProfileSample {
  int32_t s;
  double d, e;  // distance outward; height above the road line
};

// The points after the road's end within KERB_LOOKAHEAD, with their heights above the line.
size_t pointsAfterRoad(const LineGround& g, int side, const SideGround& sg,
                       std::array<ProfileSample, MAX_LINE_SAMPLES>& after) {
  size_t n = 0;
  for (int32_t s = sg.roadEnd + sg.step; g.inLine(s); s += sg.step) {
    if (!g.hasPoint(s)) continue;
    const double d = g.distance(side, s);
    if (d > sg.roadEndD + KERB_LOOKAHEAD) break;
    after[n++] = {s, d, g.z[s] - (sg.lineZ0 + sg.lineSlope * d)};
  }
  return n;
}

// Whether the points from j on continue level at a height that makes a kerb; its height if so.
bool raisedGroundFrom(const std::array<ProfileSample, MAX_LINE_SAMPLES>& after, size_t n, size_t j,
                      double tolerance, double& height) {
  const double level = after[j].e;
  if (level < KERB_MIN_HEIGHT || level > KERB_MAX_HEIGHT) return false;
  double sum = 0;
  size_t count = 0;
  for (size_t k = j; k < n && after[k].d <= after[j].d + FOOTWAY_SPAN; ++k) {
    const double run = after[k].d - after[j].d;
    if (run < -KERB_FACE_WIDTH) return false;
    if (std::fabs(after[k].e - level) > tolerance + FOOTWAY_CROSSFALL * std::fabs(run)) {
      return false;
    }
    sum += after[k].e;
    ++count;
  }
  height = sum / static_cast<double>(count);
  const bool extends = count >= 2 && after[j + count - 1].d - after[j].d >= MIN_FOOTWAY_RUN;
  return extends && height >= KERB_MIN_HEIGHT && height <= KERB_MAX_HEIGHT;
}

// The road line of the points before the face, without those standing on its foot.
void refitRoadLine(const LineGround& g, int side, SideGround& sg) {
  RoadLine line;
  const double end = sg.faceD - KERB_FOOT_MARGIN;
  line.start(end, sg.lineZ0 + sg.lineSlope * end);
  bool any = false;
  for (int32_t s = sg.roadEnd;; s -= sg.step) {
    if (g.onRoadLine[s]) {
      const double d = g.distance(side, s);
      if (d < end - ROAD_FIT_SPAN) break;
      if (d <= end) line.add(d, g.z[s]), any = true;
    }
    if (s == g.nadir) break;
  }
  if (any) line.fit(sg.lineZ0, sg.lineSlope);
}

// The raised ground's mean height above the road line, over its points from j on.
double footwayHeight(const LineGround& g, int side, const SideGround& sg,
                     const std::array<ProfileSample, MAX_LINE_SAMPLES>& after, size_t n, size_t j) {
  double sum = 0;
  size_t count = 0;
  for (size_t k = j; k < n && after[k].d <= after[j].d + FOOTWAY_SPAN; ++k) {
    sum += g.z[after[k].s] - (sg.lineZ0 + sg.lineSlope * g.distance(side, after[k].s));
    ++count;
  }
  return sum / static_cast<double>(count);
}

// Looks for a kerb at the road's end: raised ground beyond, and every point between standing
// on one near-vertical face.
void findKerb(const LineGround& g, int side, double roadSpacing, SideGround& sg) {
  if (sg.roadEndD < MIN_KERB_DISTANCE) return;
  std::array<ProfileSample, MAX_LINE_SAMPLES> after;
  const size_t n = pointsAfterRoad(g, side, sg, after);
  for (size_t j = 0; j < n; ++j) {
    double height;
    if (!raisedGroundFrom(after, n, j, g.tolerance, height)) continue;
    double low = after[j].d, high = sg.roadEndD, sum = 0;
    for (size_t k = 0; k < j; ++k) {
      low = std::min(low, after[k].d);
      high = std::max(high, after[k].d);
      sum += after[k].d;
    }
    if (j > 0 && (high - low > 2 * KERB_FACE_WIDTH || after[j].d < high - KERB_FACE_WIDTH)) return;
    if (j == 0 && after[0].d - sg.roadEndD > MAX_KERB_GAP * roadSpacing + KERB_FACE_WIDTH) return;
    sg.end = RoadEnd::Kerb;
    sg.faceFirst = after[0].s;
    sg.footwayFirst = after[j].s;
    sg.faceSeen = j > 0;
    sg.faceD = j > 0 ? sum / static_cast<double>(j) : 0.5 * (sg.roadEndD + after[0].d);
    refitRoadLine(g, side, sg);
    sg.kerbHeight = footwayHeight(g, side, sg, after, n, j);
    return;
  }
}

// Walks one side from the nadir while the points continue the road line.
void walkSide(LineGround& g, int side, int32_t step, double startLevel) {
  SideGround& sg = g.sides[side];
  sg.step = step;
  RoadLine line;
  line.start(g.distance(side, g.nadir), startLevel);
  line.add(g.distance(side, g.nadir), startLevel);  // the level where the walk starts
  double lastD = g.distance(side, g.nadir), previousD = lastD;
  if (g.onRoadLine[g.nadir]) line.add(lastD, g.z[g.nadir]);
  sg.roadEnd = g.nadir;
  int32_t missed = 0;  // points in a row off the line to the same side
  bool missedAbove = false;
  for (int32_t s = g.nadir + step; g.inLine(s) && missed < STOP_COUNT; s += step) {
    if (!g.hasPoint(s)) continue;
    const double d = g.distance(side, s);
    double z0, slope;
    line.fit(z0, slope);
    const double off = g.z[s] - (z0 + slope * d);
    const double tolerance = g.tolerance + GAP_TOLERANCE * std::max(0.0, d - lastD);
    if (d < lastD - KERB_FACE_WIDTH || std::fabs(off) > tolerance) {
      missed = missed > 0 && missedAbove == (off > 0) ? missed + 1 : 1;
      missedAbove = off > 0;
      continue;
    }
    missed = 0;
    g.onRoadLine[s] = 1;
    line.add(d, g.z[s]);
    previousD = lastD;
    lastD = d;
    sg.roadEnd = s;
  }
  sg.roadEndD = g.distance(side, sg.roadEnd);
  line.fit(sg.lineZ0, sg.lineSlope);
  sg.end = RoadEnd::Samples;
  findKerb(g, side, lastD - previousD, sg);
  for (int32_t s = sg.roadEnd + step; sg.end == RoadEnd::Samples && g.inLine(s); s += step) {
    if (g.hasPoint(s)) sg.end = RoadEnd::Obstacle;
  }
}

// Height of the road near the nadir: the mean of the road points within NEAR_NADIR across.
double referenceHeight(const LineGround& g, double fallback) {
  double sum = 0;
  int32_t n = 0;
  for (int32_t s = 0; s < g.samples; ++s) {
    if (g.onRoadLine[s] && std::fabs(g.u[s]) <= NEAR_NADIR) sum += g.z[s], ++n;
  }
  return n > 0 ? sum / n : fallback;
}

void addToBins(LineGround& g) {
  for (int side = 0; side < 2; ++side) {
    const SideGround& sg = g.sides[side];
    RoadBins& bins = g.bins[side];
    for (int32_t s = g.nadir; g.inLine(s); s += sg.step) {
      if (g.onRoadLine[s]) {
        const double d = g.distance(side, s);
        const int32_t bin = static_cast<int32_t>(d / BIN_WIDTH);
        if (d >= 0 && bin < BIN_COUNT) {
          const int64_t dq = std::llround(d * BIN_DISTANCE_UNIT);
          const int64_t zq = std::llround((g.z[s] - g.zRef) * BIN_HEIGHT_UNIT);
          BinSums& b = bins.sums[bin];
          b.n += 1, b.d += dq, b.z += zq, b.dd += dq * dq, b.dz += dq * zq, b.zz += zq * zq;
          bins.used = std::max(bins.used, bin + 1);
        }
      }
      if (s == sg.roadEnd) break;
    }
  }
}

}  // namespace

Vec3 travelDirection(const ScanStore& store, const SensorCalib& calib, int32_t l) {
  // A neighbour whose pose is rejected has no position to go by: the line itself stands in.
  const auto usable = [&](int32_t k) {
    return !(*store.lines)[static_cast<size_t>(k)].poseRejected;
  };
  const int32_t before = l > 0 && usable(l - 1) ? l - 1 : l;
  const int32_t after = l + 1 < store.lineCount && usable(l + 1) ? l + 1 : l;
  const Vec3& p0 = (*store.lines)[static_cast<size_t>(before)].position;
  const Vec3& p1 = (*store.lines)[static_cast<size_t>(after)].position;
  const Vec3 travel = {p1[0] - p0[0], p1[1] - p0[1], 0.0};
  if (dot(travel, travel) > 1e-12) return travel;
  const Mat3 m = beamRotation(store, calib, l);
  return {m[2], m[5], 0.0};
}

void findLineGround(const ScanStore& store, const SensorCalib& calib, const WorldPoints& points,
                    int32_t l, LineGround& g) {
  g.samples = store.pointsPerLine;
  placePoints(store, calib, points, l, g);
  g.onRoadLine.fill(0);
  for (int side = 0; side < 2; ++side) {
    g.sides[side] = {};
    RoadBins& bins = g.bins[side];
    std::fill(bins.sums.begin(), bins.sums.begin() + bins.used, BinSums{});  // the rest are 0
    bins.used = 0;
  }
  g.nadir = findNadir(g);
  g.hasRoad = g.nadir >= 0;
  if (!g.hasRoad) return;
  const double level = nadirLevel(g, g.nadir);
  g.tolerance = std::max(MIN_ROAD_TOLERANCE, NOISE_SIGMAS * nadirNoise(g));
  g.onRoadLine[g.nadir] = std::fabs(g.z[g.nadir] - level) <= g.tolerance;
  const int32_t left = leftStep(store, calib, l, g.nadir, g);
  walkSide(g, 1, left, level);
  walkSide(g, 0, -left, level);
  g.zRef = referenceHeight(g, level);
  addToBins(g);
}

Vec3 profilePoint(const LineGround& g, double u, double z) {
  const double w = (z - g.origin[2]) / g.upward[2];
  return {g.origin[0] + u * g.across[0] + w * g.upward[0],
          g.origin[1] + u * g.across[1] + w * g.upward[1], z};
}

}  // namespace quorvel
