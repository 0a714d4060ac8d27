// Where the carriageway of a scan line ends on each side, decided over the line and its
// CARRIAGEWAY_NEIGHBOUR_LINES neighbours on either side, whose road stretches (ground_profile.h)
// are pooled:
//   1. a kerb at the line's own road end bounds it KERB_FOOT_MARGIN before its face;
//   2. otherwise kerbs found at KERB_SUPPORT or more of the neighbours bound it at their face
//      (a kerb hidden by a parked car, or a road stretch running on over a dropped kerb);
//   3. otherwise the first break in the pooled road profile's cross slope bounds it: it shows
//      where two BREAK_WINDOW wide least-squares lines on either side of a point differ in slope
//      by MIN_BREAK or more, and by BREAK_SIGMAS of their standard errors, and a continuous
//      two-piece line fitted around there places it; a symmetric ridge (the road rising to it
//      and falling beyond by about as much, within CROWN_TOLERANCE) is the crown of the road and
//      no break;
//   4. otherwise the road stretch itself.
#pragma once

#include <cstdint>
#include <span>

#include "segment/ground_profile.h"

namespace quorvel {

inline constexpr int32_t CARRIAGEWAY_NEIGHBOUR_LINES = 16;
inline constexpr int32_t KERB_SUPPORT = 2;
inline constexpr double BREAK_WINDOW = 1.2;  // metres
inline constexpr double MIN_BREAK = 0.01;    // slope difference
inline constexpr double BREAK_SIGMAS = 4;
inline constexpr double CROWN_MIN_SLOPE = 0.01;    // each side of a crown falls at least this
inline constexpr double CROWN_TOLERANCE = 0.0075;  // and the two falls differ by at most this

enum class BoundKind : uint8_t { None, OwnKerb, NeighbourKerb, SlopeBreak, RoadEnd };

struct SideBound {
  BoundKind kind = BoundKind::None;
  double distance = 0;  // the carriageway reaches this far outward (metres)
  double kerbD = 0;     // OwnKerb: the face's distance, from the line's face points or else the
                        // neighbours' median
};

// The road stretches of lines l - K ... l + K summed bin by bin; exact, so lines may be added
// and removed in any order.
struct PooledRoad {
  std::array<BinSums, BIN_COUNT> bins[2];
  void add(const LineGround& line, int64_t sign);  // sign +1 adds the line, -1 removes it
};

// The bounds of `line` from the pooled road of its window and the window's lines (itself
// among them).
void findCarriagewayBounds(const LineGround& line, const PooledRoad& pooled,
                           std::span<const LineGround* const> window, SideBound (&bounds)[2]);

}  // namespace quorvel
