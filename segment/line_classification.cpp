#include "segment/line_classification.h"

#include <algorithm>
#include <cmath>

#include "scan/point_reconstruction.h"
#include "segment/line_class.h"
#include "segment/line_segment_list.h"

namespace quorvel {

namespace {

double dot(const Vec3& u, const Vec3& v) {
  return u[0] * v[0] + u[1] * v[1] + u[2] * v[2];
}

double length(const Vec3& v) {
  return std::sqrt(dot(v, v));
}

// One record per 5 followed by 4s and an end point; a shared end point starts the next record.
void makeRecords(std::span<uint8_t> m, LineSegmentList& list) {
  const int32_t P = static_cast<int32_t>(m.size());
  int32_t s = 0;
  while (s < P - 1) {
    if (m[s] != MASK_PIECE_END || m[s + 1] != LINE_CLASS_LINE) {
      ++s;
      continue;
    }
    int32_t j = s + 1;
    while (j < P && m[j] == LINE_CLASS_LINE) ++j;
    if (j == P) return;  // 4s up to the end of the row: a piece without an end point
    std::unique_ptr<LineSegment> record = newLineSegment();
    record->first = s;
    record->last = j;
    record->lineClass = LINE_CLASS_LINE;
    appendLineSegment(list, std::move(record));
    m[s] = LINE_CLASS_LINE;
    if (j + 1 < P && m[j + 1] == LINE_CLASS_LINE) {
      s = j;  // j starts the next piece and keeps its 5 for now
    } else {
      m[j] = LINE_CLASS_LINE;
      s = j + 1;
    }
  }
}

// World points of the record's end samples; false when either has none.
bool endPoints(const ScanStore& store, const SensorCalib& calib, int32_t l,
               const LineSegment& record, Vec3& a, Vec3& b) {
  return SampleToWorldPoint(store, calib, l, record.first, a) &&
         SampleToWorldPoint(store, calib, l, record.last, b);
}

void setClass(LineSegment& record, uint8_t lineClass, std::span<uint8_t> m) {
  record.lineClass = lineClass;
  std::fill(m.begin() + record.first, m.begin() + record.last + 1, lineClass);
}

// The lower end height of the line's last record that has world points.
double referenceHeight(const ScanStore& store, const SensorCalib& calib, int32_t l,
                       const LineSegmentList& list) {
  double h = NO_REFERENCE_HEIGHT;
  for (const LineSegment* r = list.get(); r; r = r->next.get()) {
    Vec3 a, b;
    if (endPoints(store, calib, l, *r, a, b)) h = std::min(a[2], b[2]);
  }
  return h;
}

// Flat records whose lower end lies less than ROAD_MARGIN above h become road; each raises h
// to its highest end, so that the next candidates are judged against the highest road so far.
void markRoad(const ScanStore& store, const SensorCalib& calib, int32_t l, double h,
              std::span<uint8_t> m, LineSegmentList& list) {
  for (LineSegment* r = list.get(); r; r = r->next.get()) {
    Vec3 a, b;
    if (!endPoints(store, calib, l, *r, a, b)) continue;
    if (risesLikeRoad(angleFromVertical(a, b)) && std::min(a[2], b[2]) < h + ROAD_MARGIN) {
      setClass(*r, LINE_CLASS_ROAD, m);
      h = std::max({h, b[2], a[2]});
    }
  }
}

// Runs after the road test, so a shared end point of road and vertical records ends vertical.
void markVertical(const ScanStore& store, const SensorCalib& calib, int32_t l, std::span<uint8_t> m,
                  LineSegmentList& list) {
  for (LineSegment* r = list.get(); r; r = r->next.get()) {
    Vec3 a, b;
    if (!endPoints(store, calib, l, *r, a, b)) continue;
    if (standsVertical(angleFromVertical(a, b))) setClass(*r, LINE_CLASS_VERTICAL, m);
  }
}

}  // namespace

double vectorAngle(const Vec3& u, const Vec3& v) {
  double cosine = dot(u, v) / (length(u) * length(v));
  if (std::fabs(cosine) > 1) cosine = cosine / std::fabs(cosine);
  return std::acos(cosine);
}

double angleFromVertical(const Vec3& a, const Vec3& b) {
  double alpha = vectorAngle({0, 0, 1}, {b[0] - a[0], b[1] - a[1], b[2] - a[2]});
  if (alpha > CLASS_RIGHT_ANGLE) alpha = CLASS_HALF_TURN - alpha;
  return alpha;
}

bool risesLikeRoad(double alpha) {
  return CLASS_RIGHT_ANGLE - alpha < LINE_ANGLE_LIMIT;
}

bool standsVertical(double alpha) {
  return alpha < LINE_ANGLE_LIMIT;
}

void buildLineSegments(const ScanStore& store, const SensorCalib& calib, int32_t l,
                       std::span<uint8_t> maskRow, LineSegmentList& list) {
  if (list) return;
  makeRecords(maskRow, list);
  const double h = referenceHeight(store, calib, l, list);
  markRoad(store, calib, l, h, maskRow, list);
  markVertical(store, calib, l, maskRow, list);
}

}  // namespace quorvel
