#include "scan/point_reconstruction.h"

#include <cmath>

namespace quorvel {

namespace {

// The sample's range and angle when it lies in the store and its range is valid.
bool validSample(const ScanStore& store, int32_t l, int32_t s, double& r, double& theta) {
  if (l < 0 || l >= store.lineCount || s < 0 || s >= store.pointsPerLine) return false;
  const int16_t raw = (*store.lines)[static_cast<size_t>(l)].range[s];
  r = static_cast<double>(raw) / static_cast<double>(store.rangeUnit);
  if (!isValidRange(r)) return false;
  theta = s * store.angularStep + store.startAngle;
  return true;
}

}  // namespace

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
  Vec3 p = {r * std::cos(theta), r * std::sin(theta), 0.0};
  mat3Apply(p, calib.rotation);
  vec3Add(p, calib.translation);
  mat3Apply(p, line.rotation);
  vec3Add(p, line.position);
  point = p;
  return 1;
}

int SampleToScanPoint(int32_t l, int32_t s, Vec2& point) {
  return SampleToScanPoint(scanStore, l, s, point);
}

int SampleToWorldPoint(int32_t l, int32_t s, Vec3& point) {
  return SampleToWorldPoint(scanStore, sensorCalib, l, s, point);
}

}  // namespace quorvel
