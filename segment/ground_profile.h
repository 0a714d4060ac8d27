// The cross profile of one scan line and the ground the line sees. Every point is placed by its
// offset u across the drive (horizontal, within the scan plane, from the scanner, left positive)
// and its height z. From the point nearest below the scanner the walk follows the ground
// outward on each side, sample by sample, while each point continues the road line of the points
// before it (a straight fit over the last ROAD_FIT_SPAN, its slope held within MAX_ROAD_SLOPE):
// points off the line by more than the line's tolerance (NOISE_SIGMAS times the noise of its
// heights near the nadir, at least MIN_ROAD_TOLERANCE) are bridged when a later point continues
// the line, samples without a point are skipped. Where STOP_COUNT points in a row leave the line
// to the same side (all above it or all below) the road stretch ends, and what follows is looked
// at: a kerb is a rise of KERB_MIN_HEIGHT to KERB_MAX_HEIGHT whose points between the road and the
// raised ground stand at one offset (a near-vertical face), with ground beyond that continues at
// the raised level.
//
// Lengths in metres (the scan's length unit), slopes as rise per metre outward.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>

#include "scan/calib_file.h"
#include "scan/point_reconstruction.h"
#include "scan/scan_store.h"

namespace quorvel {

inline constexpr double NADIR_MIN_DEPTH = 1.0;      // the walk starts at least this far below
inline constexpr double NADIR_MAX_OFFSET = 2.0;     // and at most this far across from the scanner
inline constexpr double MIN_ROAD_TOLERANCE = 0.02;  // a point continues the road line within
inline constexpr double NOISE_SIGMAS = 3.5;         // this or this many standard deviations
inline constexpr double GAP_TOLERANCE = 0.02;       // added per metre skipped since the last point
inline constexpr double ROAD_FIT_SPAN = 1.0;        // the road line fits the points this far back
inline constexpr double MAX_ROAD_SLOPE = 0.10;      // the road line's slope is held within this
inline constexpr int32_t STOP_COUNT = 3;            // points off the line in a row end the stretch
inline constexpr double MIN_KERB_DISTANCE = 1.0;    // across from the scanner: beyond the wheels
inline constexpr double KERB_MIN_HEIGHT = 0.04;
inline constexpr double KERB_MAX_HEIGHT = 0.30;
inline constexpr double KERB_FACE_WIDTH = 0.06;      // face points lie this close to the face
inline constexpr double KERB_FOOT_MARGIN = 0.02;     // road points this close to a face are on it
inline constexpr double KERB_LOOKAHEAD = 1.0;        // the raised ground must start this close
inline constexpr int32_t BIN_COUNT = 256;            // distance bins of the pooled road profile
inline constexpr double BIN_WIDTH = 0.05;            // so the profile reaches 12.8 m to each side
inline constexpr double BIN_DISTANCE_UNIT = 1000.0;  // bin sums count millimetres outward
inline constexpr double BIN_HEIGHT_UNIT = 10000.0;   // and tenths of millimetres of height

enum class RoadEnd : uint8_t {
  None,      // no road on this side (no ground below the scanner)
  Kerb,      // a kerb rises from the road's end
  Obstacle,  // the points leave the road line otherwise
  Samples,   // the samples run out
};

// Sums over the road points in one distance bin, in whole millimetres (distance) and tenths of
// millimetres (height above the line's reference), so that sums over many lines are exact and
// independent of their order.
struct BinSums {
  int64_t n = 0, d = 0, z = 0, dd = 0, dz = 0, zz = 0;
};

// One side of the profile: the samples from the nadir outward (index step +1 or -1).
struct SideGround {
  int32_t step = 0;      // sample index step outward; 0 when the side has no road
  int32_t roadEnd = -1;  // the last road sample (the stretch runs from the nadir to it)
  double roadEndD = 0;   // its distance outward
  RoadEnd end = RoadEnd::None;
  double lineZ0 = 0;  // the road line at the end: z = lineZ0 + lineSlope * d
  double lineSlope = 0;
  // When end is Kerb:
  int32_t faceFirst = -1;  // face samples faceFirst ... footwayFirst - step (may be none)
  int32_t footwayFirst = -1;
  double faceD = 0;       // the face's distance: the mean of its points, or between the
  bool faceSeen = false;  // road's end and the footway when no point lies on it
  double kerbHeight = 0;  // raised ground above the road line, at the face
};

// The road points of one side by distance outward, bin k holding those from k to k + 1 times
// BIN_WIDTH.
struct RoadBins {
  std::array<BinSums, BIN_COUNT> sums{};
  int32_t used = 0;  // bins 0 ... used - 1 may hold points; the others are zero
};

struct LineGround {
  int32_t samples = 0;  // P
  bool hasRoad = false;
  int32_t nadir = -1;    // the sample nearest below the scanner
  Vec3 origin{};         // the scanner's position, world
  Vec3 across{};         // horizontal unit vector of u (left of the direction of travel)
  Vec3 upward{};         // unit vector within the scan plane, square to `across`, z > 0
  double zRef = 0;       // height of the road near the nadir (bin heights are relative to it)
  double tolerance = 0;  // of the road line: NOISE_SIGMAS noise deviations, or the least
  std::array<double, MAX_LINE_SAMPLES> u, z;         // NaN for a sample without a point
  std::array<uint8_t, MAX_LINE_SAMPLES> onRoadLine;  // 1: a road point fitted into the line
  SideGround sides[2];                               // 0 right (u decreasing), 1 left
  RoadBins bins[2];

  bool inLine(int32_t s) const { return s >= 0 && s < samples; }
  bool hasPoint(int32_t s) const { return !std::isnan(u[s]); }
  double distance(int side, int32_t s) const { return side == 1 ? u[s] : -u[s]; }  // outward
};

// The line's direction of travel, from the positions of its neighbours (clamped to the loaded
// lines; the line itself for a neighbour whose pose is rejected); the scan plane's normal when
// they stand still.
Vec3 travelDirection(const ScanStore& store, const SensorCalib& calib, int32_t l);

// Fills `ground` for scan line l.
void findLineGround(const ScanStore& store, const SensorCalib& calib, const WorldPoints& points,
                    int32_t l, LineGround& ground);

// The world point at offset u and height z within the line's scan plane.
Vec3 profilePoint(const LineGround& ground, double u, double z);

}  // namespace quorvel
