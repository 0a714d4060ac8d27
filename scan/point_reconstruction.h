// Samples to points: the 2-D point in the scanner's scan plane and the 3-D world point through
// the calibration and the line's pose. A sample has a point only when its range r satisfies
// MIN_RANGE <= r <= MAX_RANGE (a NaN range has none) and its line's pose is not rejected (a NaN
// or an infinity, a pose cut off with the file, a dropped pose glitch): then neither point, so
// that every stage treats its samples like samples out of range. Callers skip samples without a
// point.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "scan/calib_file.h"
#include "scan/geometry.h"
#include "scan/scan_store.h"

namespace quorvel {

using Vec2 = std::array<double, 2>;

inline constexpr double MIN_RANGE = 0.5;   // length unit of the ranges; inclusive
inline constexpr double MAX_RANGE = 60.0;  // inclusive

inline bool isValidRange(double r) {
  return r >= MIN_RANGE && r <= MAX_RANGE;
}

// The range of a raw sample value.
inline double sampleRange(const ScanStore& store, int16_t raw) {
  return static_cast<double>(raw) / static_cast<double>(store.rangeUnit);
}

// True with the range r of sample s of `line` when the sample has a point.
inline bool pointRange(const ScanStore& store, const ScanLine& line, int32_t s, double& r) {
  if (line.poseRejected) return false;
  r = sampleRange(store, line.range[s]);
  return isValidRange(r);
}

// The world point at range r along the scan angle with cosine cosTheta and sine sinTheta, of a
// sample of `line`: through the calibration, then the line's pose.
inline Vec3 scanToWorldPoint(const SensorCalib& calib, const ScanLine& line, double r,
                             double cosTheta, double sinTheta) {
  Vec3 p = {r * cosTheta, r * sinTheta, 0.0};
  mat3Apply(p, calib.rotation);
  vec3Add(p, calib.translation);
  mat3Apply(p, line.rotation);
  vec3Add(p, line.position);
  return p;
}

// The cosine and sine of every sample's scan angle, s * angularStep + startAngle, for loops
// that visit every line; may throw std::bad_alloc.
struct SampleAngles {
  std::vector<double> cos, sin;
};
SampleAngles sampleAngles(const ScanStore& store);

// The world points of one store's samples, each scan angle's cosine and sine taken from a table
// made once instead of computed per sample: the same bits as SampleToWorldPoint, for the loops
// over many samples. May throw std::bad_alloc (a few kilobytes).
class WorldPoints {
 public:
  WorldPoints(const ScanStore& store, const SensorCalib& calib)
      : store_(store), calib_(calib), angles_(sampleAngles(store)) {}

  // As SampleToWorldPoint: true and the point for a valid sample, false otherwise.
  bool operator()(int32_t l, int32_t s, Vec3& point) const {
    if (l < 0 || l >= store_.lineCount || s < 0 || s >= store_.pointsPerLine) return false;
    const ScanLine& line = (*store_.lines)[static_cast<size_t>(l)];
    double r;
    if (!pointRange(store_, line, s, r)) return false;
    point = scanToWorldPoint(calib_, line, r, angles_.cos[static_cast<size_t>(s)],
                             angles_.sin[static_cast<size_t>(s)]);
    return true;
  }

 private:
  const ScanStore& store_;
  const SensorCalib& calib_;
  SampleAngles angles_;
};

// Both return 1 and write the point for a valid sample; otherwise 0 with the output untouched.
// Any l and s may be passed: indices outside the store give 0.
int SampleToScanPoint(const ScanStore& store, int32_t l, int32_t s, Vec2& point);
int SampleToWorldPoint(const ScanStore& store, const SensorCalib& calib, int32_t l, int32_t s,
                       Vec3& point);

// The same on the process-wide store and calibration.
int SampleToScanPoint(int32_t l, int32_t s, Vec2& point);
int SampleToWorldPoint(int32_t l, int32_t s, Vec3& point);

}  // namespace quorvel
