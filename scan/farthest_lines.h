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

// At most `count` lines with points, farthest first (the lower line first among equals).
std::vector<FarLine> farthestLines(const ScanStore& store, size_t count);

// "scan lines 150 (9999876), 299 (151), ...", distances rounded to whole length units.
std::string farLinesText(const std::vector<FarLine>& lines);

// What a grid too large for the points' extent adds to its fault: the farthest lines and the
// option that leaves pose glitches out.
std::string farLinesHint(const ScanStore& store);

}  // namespace quorvel
