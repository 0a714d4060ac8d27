// Line segmentation: every scan line, taken by itself, is cut into straight pieces of its
// scan-plane points, and the pieces become classified LineSegment records. Per line:
//   1. breakpoints group the valid samples into runs of connected samples (nextRun);
//   2. each run is split at the sample farthest from its chord until every piece is straight
//      within SPLIT_TOL (splitRun); pieces of too few samples are dropped, the others grow at
//      both ends while they stay straight within EXTEND_TOL (extendPieces) and are written into
//      the mask: 4 on interior samples that have a point, 5 on end points;
//   3. buildLineSegments turns the pieces into records and classifies them.
// The results are the store's line segment mask and lists; they appear together or not at all.
// Lengths are in the scan's length unit, angles in radians.
#pragma once

#include <cstdint>
#include <span>

#include "scan/calib_file.h"
#include "scan/parallel_for.h"
#include "scan/scan_store.h"
#include "segment/line_work.h"

namespace quorvel {

inline constexpr int32_t MAX_RUN_GAP = 4;  // largest step in sample columns inside a run
// Angle per sample step in the breakpoint threshold: a quarter degree whatever the set-up.
inline constexpr double STEP_ANGLE = 0.0043633230555555555;
inline constexpr double BREAK_ANGLE = 0.2618;        // its sine divides the breakpoint threshold
inline constexpr double MIN_BREAK_DIST = 1.0;        // smallest breakpoint threshold
inline constexpr double SPLIT_TOL = 0.1;             // chord deviation at or above which to split
inline constexpr double EXTEND_TOL = 2 * SPLIT_TOL;  // extensions need a deviation below this
inline constexpr double MIN_PIECE_RANGE = 0.5;   // a sample counts toward a piece only above this
inline constexpr int32_t SMALL_PIECE_COUNT = 3;  // a piece counting this many or fewer is dropped

// Finds the next run at or after start: 1 with its first and last valid samples in start and
// end, 0 when none is left. A run has at least two valid samples.
int nextRun(const LineWork& work, int32_t& start, int32_t& end);

// Splits the samples a ... b recursively, marking straight interiors INTERIOR_MARK and the
// interiors of splits that did not help REJECTED_MARK; returns the deviation it reports.
double splitRun(LineWork& work, int32_t a, int32_t b);

// Grows the straight pieces inside the run a ... b sample by sample at both ends; an extension
// never takes the run's first sample nor its last two.
void extendPieces(LineWork& work, int32_t a, int32_t b);

// Cuts scan line l into pieces and writes its mask row (P bytes): 0, 8, 4 and 5.
void segmentScanLine(const ScanStore& store, int32_t l, LineWork& work, std::span<uint8_t> maskRow);

// Segments and classifies every line (in parallel) unless the mask exists: 1 when the mask
// and lists exist afterwards, 0 with "Memory failure in LineSegger." when memory ran out, 0
// without a message when parallel.control stops it (then neither exists).
int segmentLines(ScanStore& store, const SensorCalib& calib, const ParallelOptions& parallel);
int LineSegger();  // on the process-wide records

}  // namespace quorvel
