// The working state of the line segmentation for one scan line: the scan-plane points, the
// piece marks and the current chord frame. Each thread owns one and reuses it for every line
// it processes, so that a line costs no allocation.
#pragma once

#include <cstdint>
#include <vector>

namespace quorvel {

inline constexpr double NO_POINT = 99999999.0;  // both coordinates of a sample without a point

// Piece marks. A piece starts at a sample not marked interior, runs over the interior samples
// that follow and ends at the next sample not marked interior, which may start the next piece.
inline constexpr int32_t FREE_MARK = 0;       // a piece's end point, or outside every piece
inline constexpr int32_t INTERIOR_MARK = -3;  // interior sample of a straight piece
inline constexpr int32_t REJECTED_MARK = -6;  // interior sample of a rejected piece; acts as free

struct LineWork {
  explicit LineWork(int32_t pointsPerLine);  // room for every sample of a line

  int32_t P;                       // samples per line
  std::vector<double> X, Y;        // scan-plane point of sample s, or NO_POINT
  std::vector<int32_t> pieceMark;  // one of the marks above
  std::vector<double> U, V;        // chord frame of samples a ... b at 1 ... n; index 0 unused
  int32_t n = 0;                   // samples in the chord frame

  // A sample is valid unless both coordinates are exactly NO_POINT.
  bool valid(int32_t s) const { return !(X[s] == NO_POINT && Y[s] == NO_POINT); }
};

}  // namespace quorvel
