#include "segment/line_segger.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <cmath>
#include <new>
#include <vector>

#include "features/range_image.h"
#include "scan/point_reconstruction.h"
#include "scan/stage_message.h"
#include "segment/chord_frame.h"
#include "segment/line_class.h"
#include "segment/line_classification.h"

namespace quorvel {

namespace {

// tan(g * STEP_ANGLE) for the steps g = 1 ... MAX_RUN_GAP, evaluated once: the same values
// as evaluating it per sample, at a fraction of the cost.
const std::array<double, MAX_RUN_GAP + 1> STEP_TANGENTS = [] {
  std::array<double, MAX_RUN_GAP + 1> tangents{};
  for (int32_t g = 1; g <= MAX_RUN_GAP; ++g) tangents[g] = std::tan(g * STEP_ANGLE);
  return tangents;
}();

// Whether valid sample k, g columns after the last sample of the run, continues the run: its
// distance from that sample must not exceed a threshold that grows with its range and g.
bool continuesRun(const LineWork& work, int32_t last, int32_t k, int32_t g) {
  const double r = std::sqrt(work.X[k] * work.X[k] + work.Y[k] * work.Y[k]);
  const double d = pointDistance2D({work.X[last], work.Y[last]}, {work.X[k], work.Y[k]});
  double t = r * STEP_TANGENTS[g] / std::sin(BREAK_ANGLE);
  if (t < MIN_BREAK_DIST) t = MIN_BREAK_DIST;
  return !(d > t);
}

void markInterior(LineWork& work, int32_t a, int32_t b, int32_t mark) {
  for (int32_t k = a + 1; k < b; ++k) work.pieceMark[k] = mark;
}

// The piece starting at p: its end point (the first sample after p not marked interior, P when
// there is none) and how many of p and its interior samples have a range above MIN_PIECE_RANGE.
struct Piece {
  int32_t end;
  int32_t count;
};

Piece pieceAt(const ScanStore& store, int32_t l, const LineWork& work, int32_t p) {
  Piece piece{p + 1, rangeOf(store, l, p) > MIN_PIECE_RANGE ? 1 : 0};
  while (piece.end < work.P && work.pieceMark[piece.end] == INTERIOR_MARK) {
    if (rangeOf(store, l, piece.end) > MIN_PIECE_RANGE) ++piece.count;
    ++piece.end;
  }
  return piece;
}

// Frees the interior of every piece of the run whose count is SMALL_PIECE_COUNT or less.
void dropSmallPieces(const ScanStore& store, int32_t l, LineWork& work, int32_t start,
                     int32_t end) {
  for (int32_t p = start; p <= end;) {
    const Piece piece = pieceAt(store, l, work, p);
    if (piece.count <= SMALL_PIECE_COUNT) markInterior(work, p, piece.end, FREE_MARK);
    p = piece.end;
  }
}

// Writes the run's remaining pieces into the mask row: 4 on interior samples that have a point,
// 5 on both end points.
void writePieces(const ScanStore& store, int32_t l, const LineWork& work, int32_t start,
                 int32_t end, std::span<uint8_t> maskRow) {
  for (int32_t p = start; p <= end;) {
    const Piece piece = pieceAt(store, l, work, p);
    if (piece.count > SMALL_PIECE_COUNT) {
      for (int32_t k = p + 1; k < piece.end; ++k) {
        if (maskRow[k] == MASK_NO_LINE) maskRow[k] = LINE_CLASS_LINE;
      }
      maskRow[p] = MASK_PIECE_END;
      maskRow[piece.end] = MASK_PIECE_END;
    }
    p = piece.end;
  }
}

// Fills the line's points and marks, and the mask row with 8 (a point) or 0 (none).
void loadLinePoints(const ScanStore& store, int32_t l, LineWork& work, std::span<uint8_t> maskRow) {
  for (int32_t s = 0; s < work.P; ++s) {
    work.pieceMark[s] = FREE_MARK;
    Vec2 point;
    if (SampleToScanPoint(store, l, s, point)) {
      maskRow[s] = MASK_NO_LINE;
      work.X[s] = point[0];
      work.Y[s] = point[1];
    } else {
      maskRow[s] = MASK_NO_POINT;
      work.X[s] = work.Y[s] = NO_POINT;
    }
  }
}

// Whether the chord from a to b is straight enough to take a further sample.
bool acceptsExtension(LineWork& work, int32_t a, int32_t b) {
  chordFrame(work, a, b);
  const ChordDeviation dev = chordDeviation(work);
  return dev.hasDev && dev.maxDev < EXTEND_TOL;
}

// Moves the start s of the piece s ... e backwards; returns the new start.
int32_t extendBackward(LineWork& work, int32_t a, int32_t s, int32_t e) {
  for (int32_t cand = s - 1; cand > a; --cand) {
    if (work.pieceMark[cand - 1] == INTERIOR_MARK) break;  // cand ends the previous piece
    if (!acceptsExtension(work, cand, e)) break;
    work.pieceMark[cand + 1] = INTERIOR_MARK;
    work.pieceMark[cand] = FREE_MARK;
    s = cand;
  }
  return s;
}

// Moves the end e of the piece s ... e forwards; returns the new end.
int32_t extendForward(LineWork& work, int32_t b, int32_t s, int32_t e) {
  for (int32_t cand = e + 1; cand < b - 1; ++cand) {
    if (work.pieceMark[cand + 1] == INTERIOR_MARK) break;  // cand starts the next piece
    if (!acceptsExtension(work, s, cand)) break;
    work.pieceMark[cand - 1] = INTERIOR_MARK;
    work.pieceMark[cand] = FREE_MARK;
    e = cand;
  }
  return e;
}

struct LineSegmentation {
  std::vector<uint8_t> mask;
  std::vector<LineSegmentList> lists;
};

// Segments and classifies lines begin ... end - 1 into the result, one unit of run each, up to
// a stop; false when memory ran out.
bool segmentLineRange(const ScanStore& store, const SensorCalib& calib, size_t begin, size_t end,
                      LineSegmentation& result, StageRun& run) {
  const int32_t P = std::max<int32_t>(store.pointsPerLine, 0);
  try {
    LineWork work(P);
    for (size_t l = begin; l < end; ++l) {
      const std::span<uint8_t> row = std::span(result.mask).subspan(l * P, P);
      const int32_t line = static_cast<int32_t>(l);
      segmentScanLine(store, line, work, row);
      buildLineSegments(store, calib, line, row, result.lists[l]);
      if (!run.advance()) break;
    }
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

// The whole segmentation into a fresh result (complete unless run stopped); false when memory
// ran out.
bool computeLineSegmentation(const ScanStore& store, const SensorCalib& calib,
                             const ParallelOptions& parallel, LineSegmentation& result,
                             StageRun& run) {
  const size_t L = static_cast<size_t>(std::max(store.lineCount, 0));
  const size_t P = static_cast<size_t>(std::max<int32_t>(store.pointsPerLine, 0));
  std::atomic<bool> complete{true};
  try {
    result.mask.assign(L * P, MASK_NO_POINT);
    result.lists.resize(L);
    parallelFor(L, parallel, [&](size_t begin, size_t end) {
      if (!segmentLineRange(store, calib, begin, end, result, run)) complete = false;
    });
  } catch (const std::bad_alloc&) {
    return false;  // also the worker set-up of parallelFor
  }
  return complete;
}

}  // namespace

int nextRun(const LineWork& work, int32_t& start, int32_t& end) {
  int32_t k = start;
  for (;;) {
    while (k < work.P && !work.valid(k)) ++k;
    if (k >= work.P) return 0;
    start = k;
    int32_t last = k;
    bool found = false;
    for (++k; k < work.P;) {
      const int32_t g = k - last;
      if (g > MAX_RUN_GAP) break;
      if (!work.valid(k)) {
        ++k;
        continue;
      }
      if (!continuesRun(work, last, k, g)) break;  // k is a breakpoint
      last = end = k;
      found = true;
      ++k;
    }
    if (found) return 1;
    // A lone sample: the sample that ended the attempt starts the next one.
  }
}

double splitRun(LineWork& work, int32_t a, int32_t b) {
  chordFrame(work, a, b);
  const ChordDeviation dev = chordDeviation(work);
  const double maxDev = dev.maxDev == 0 ? SPLIT_TOL : dev.maxDev;
  if (b - a < 3) return maxDev;
  if (maxDev >= SPLIT_TOL && dev.hasDev) {
    const int32_t s = a + dev.k - 1;  // the sample farthest from the chord
    const double dl = splitRun(work, a, s);
    const double dr = splitRun(work, s, b);
    const double best = dl < dr ? dl : dr;
    if (best < maxDev) return best;
    markInterior(work, a, b, REJECTED_MARK);  // the split did not help
    return maxDev;
  }
  markInterior(work, a, b, INTERIOR_MARK);
  return maxDev;
}

void extendPieces(LineWork& work, int32_t a, int32_t b) {
  int32_t cursor = a;
  while (cursor < b) {
    const int32_t from = cursor;
    int32_t x = cursor;
    while (x < b && work.pieceMark[x] != INTERIOR_MARK) ++x;
    if (x >= b) return;
    const int32_t s = x - 1;
    int32_t e = s + 2;
    while (e < b && work.pieceMark[e] == INTERIOR_MARK) ++e;
    const int32_t newStart = extendBackward(work, a, s, e);
    e = extendForward(work, b, newStart, e);
    cursor = std::max(e + 1, from);
  }
}

void segmentScanLine(const ScanStore& store, int32_t l, LineWork& work,
                     std::span<uint8_t> maskRow) {
  loadLinePoints(store, l, work, maskRow);
  int32_t start = 0, end = 0;
  while (nextRun(work, start, end)) {
    splitRun(work, start, end);
    dropSmallPieces(store, l, work, start, end);
    extendPieces(work, start, end);
    writePieces(store, l, work, start, end, maskRow);
    start = end + 1;
  }
}

int segmentLines(ScanStore& store, const SensorCalib& calib, const ParallelOptions& parallel) {
  if (store.lineSegmentMask) return 1;
  LineSegmentation result;
  StageRun run(parallel.control, static_cast<size_t>(std::max(store.lineCount, 0)));
  const bool computed = computeLineSegmentation(store, calib, parallel, result, run);
  if (!computed || run.stopped()) {
    for (LineSegmentList& list : result.lists) freeLineSegmentList(list);
    if (!computed) showStageMessage("Memory failure in LineSegger.", "Error");
    return 0;
  }
  store.lineSegmentMask = std::move(result.mask);
  store.lineSegmentLists = std::move(result.lists);
  return 1;
}

int LineSegger() {
  return segmentLines(scanStore, sensorCalib, parallelOptions);
}

}  // namespace quorvel
