// The scan lines that lie farthest from the rest of a drive: what blows up a map grid when a few
// poses are wrong. The middle of the drive is the median x and the median y of the positions of
// the lines that have points; distances are measured in x and y, as the grid is.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scan/scan_store.h"

namespace quorvel {

struct FarLine {
  int64_t line = 0;       // the drive's scan line (store.firstLine + l)
  double distance = 0.0;  // from the middle of the drive, in x and y
};

// Where a line with points lies: its position's x and y.
struct LinePosition {
  int64_t line = 0;  // the drive's scan line
  double x = 0.0, y = 0.0;
};

// Adds the positions of the store's lines that have points.
void appendLinePositions(const ScanStore& store, std::vector<LinePosition>& positions);

// At most `count` of the lines, farthest first (the lower line first among equals).
std::vector<FarLine> farthestOf(const std::vector<LinePosition>& positions, size_t count);

// The same over the store's lines with points.
std::vector<FarLine> farthestLines(const ScanStore& store, size_t count);

// "scan lines 150 (9999876), 299 (151), ...", distances rounded to whole length units.
std::string farLinesText(const std::vector<FarLine>& lines);

// What a grid too large for the points' extent adds to its fault: the farthest lines and the
// option that leaves pose glitches out ("" without lines).
std::string farLinesHint(const std::vector<FarLine>& lines);
std::string farLinesHint(const ScanStore& store);

inline constexpr size_t HINT_LINES = 5;  // lines a hint names

}  // namespace quorvel
