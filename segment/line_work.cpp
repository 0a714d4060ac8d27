#include "segment/line_work.h"

#include <algorithm>

namespace quorvel {

LineWork::LineWork(int32_t pointsPerLine)
    : P(std::max(pointsPerLine, 0)),
      X(static_cast<size_t>(P), NO_POINT),
      Y(static_cast<size_t>(P), NO_POINT),
      pieceMark(static_cast<size_t>(P), FREE_MARK),
      U(static_cast<size_t>(P) + 1, 0.0),
      V(static_cast<size_t>(P) + 1, 0.0) {}

}  // namespace quorvel
