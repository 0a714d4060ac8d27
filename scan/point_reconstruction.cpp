#include "scan/point_reconstruction.h"

#include <algorithm>
#include <cmath>

namespace quorvel {

namespace {

double sampleAngle(const ScanStore& store, int32_t s) {
  return s * store.angularStep + store.startAngle;
}

// The sample's range and angle when it lies in the store and has a point.
bool validSample(const ScanStore& store, int32_t l, int32_t s, double& r, double& theta) {
  if (l < 0 || l >= store.lineCount || s < 0 || s >= store.pointsPerLine) return false;
  if (!pointRange(store, (*store.lines)[static_cast<size_t>(l)], s, r)) return false;
  theta = sampleAngle(store, s);
  return true;
}

}  // namespace

SampleAngles sampleAngles(const ScanStore& store) {
  SampleAngles angles;
  const size_t P = static_cast<size_t>(std::max<int32_t>(store.pointsPerLine, 0));
  angles.cos.resize(P);
  angles.sin.resize(P);
  for (size_t s = 0; s < P; ++s) {
    const double theta = sampleAngle(store, static_cast<int32_t>(s));
    angles.cos[s] = std::cos(theta);
    angles.sin[s] = std::sin(theta);
  }
  return angles;
}

int SampleToScanPoint(const ScanStore& store, int32_t l, int32_t s, Vec2& point) {
  double r, theta;
  if (!validSample(store, l, s, r, theta)) return 0;
  point = {r * std::cos(theta), r * std::sin(theta)};
  return 1;
}

int SampleToWorldPoint(const ScanStore& store, const SensorCalib& calib, int32_t l, int32_t s,
                       Vec3& point) {
  double r, theta;
  if (!validSample(store, l, s, r, theta)) return 0;
  const ScanLine& line = (*store.lines)[static_cast<size_t>(l)];
  point = scanToWorldPoint(calib, line, r, std::cos(theta), std::sin(theta));
  return 1;
}

int SampleToScanPoint(int32_t l, int32_t s, Vec2& point) {
  return SampleToScanPoint(scanStore, l, s, point);
}

int SampleToWorldPoint(int32_t l, int32_t s, Vec3& point) {
  return SampleToWorldPoint(scanStore, sensorCalib, l, s, point);
}

}  // namespace quorvel
