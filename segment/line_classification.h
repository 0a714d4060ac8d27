// Line segment classification: the accepted pieces of a scan line's mask row become
// LineSegment records, classified in the world frame from their two end points. A record that
// rises less than LINE_ANGLE_LIMIT above the horizontal and lies low against the line's
// reference height is road (2); one within LINE_ANGLE_LIMIT of the vertical is vertical (1);
// every other record, and every record with an end point that has no world point, is a line (4).
#pragma once

#include <cstdint>
#include <span>

#include "scan/calib_file.h"
#include "scan/derived_buffers.h"
#include "scan/geometry.h"
#include "scan/scan_store.h"

namespace quorvel {

inline constexpr double NO_REFERENCE_HEIGHT = 99999999.0;  // start of the reference height
inline constexpr double ROAD_MARGIN = 0.5;          // road lies less than this above the reference
inline constexpr double LINE_ANGLE_LIMIT = 0.2618;  // radians, for the road and vertical tests
inline constexpr double CLASS_RIGHT_ANGLE = 1.5707963;  // exactly this value
inline constexpr double CLASS_HALF_TURN = 3.1415926;    // exactly this value

// Makes the records of scan line l from its mask row (the 5 ... 4 ... 5 patterns) and
// classifies them, writing 4, 2 and 1 into the row; a line whose list is filled is left alone.
// Throws std::bad_alloc when a record cannot be made.
void buildLineSegments(const ScanStore& store, const SensorCalib& calib, int32_t l,
                       std::span<uint8_t> maskRow, LineSegmentList& list);

double vectorAngle(const Vec3& u, const Vec3& v);  // radians, 0 ... pi; NaN for a zero vector

// Angle between the vertical and the direction from a to b, folded into 0 ... CLASS_RIGHT_ANGLE.
double angleFromVertical(const Vec3& a, const Vec3& b);
bool risesLikeRoad(double alpha);   // less than LINE_ANGLE_LIMIT above the horizontal
bool standsVertical(double alpha);  // less than LINE_ANGLE_LIMIT from the vertical

}  // namespace quorvel
