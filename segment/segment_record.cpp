#include "segment/segment_record.h"

#include <cmath>

#include "features/plane_fit.h"
#include "segment/segment_class.h"

namespace quorvel {

namespace {

void boundingBox(const double* x, const double* y, const double* z, int32_t n,
                 SegmentRecord& segment) {
  segment.maxPt = {-EXTREME_START, -EXTREME_START, -EXTREME_START};
  segment.minPt = {EXTREME_START, EXTREME_START, EXTREME_START};
  const double* axes[3] = {x, y, z};
  for (int32_t i = 0; i < n; ++i) {
    for (int axis = 0; axis < 3; ++axis) {
      const double v = axes[axis][i];
      if (v >= segment.maxPt[axis]) segment.maxPt[axis] = v;
      if (v <= segment.minPt[axis]) segment.minPt[axis] = v;
    }
  }
  const double dx = segment.maxPt[0] - segment.minPt[0];
  const double dy = segment.maxPt[1] - segment.minPt[1];
  segment.width = std::sqrt(dx * dx + dy * dy);
  segment.height = segment.maxPt[2] - segment.minPt[2];
}

}  // namespace

void describeSegment(uint16_t label, const double* x, const double* y, const double* z,
                     int32_t pointNum, int32_t boundaryPt, SegmentRecord& segment) {
  segment.pointNum = pointNum;
  segment.boundaryPt = boundaryPt;
  segment.label = label;
  Plane plane;
  fitPlane(pointNum, x, y, z, plane);
  segment.normal = {plane.a, plane.b, plane.c};
  segment.planeOffset = plane.d;
  planeResidual(x, y, z, plane, segment.var, pointNum);
  boundingBox(x, y, z, pointNum, segment);
  segment.classCode = segmentClassCode(segment);
}

}  // namespace quorvel
