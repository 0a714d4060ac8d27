// What is wrong with the poses of a loaded DS file: lines whose attitude or position holds a NaN
// or an infinity, pose glitches (see pose_glitches.h), and a last record cut short by the end of
// the file. Lines are counted as everywhere else: 0 is the first record after the 200 skipped.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

struct LineRun {
  int64_t first = 0;  // the DS file's scan line
  int64_t count = 0;
};

// A file that ends inside a record: the record is loaded with its missing bytes zero.
struct CutRecord {
  int64_t wholeRecords = 0;   // whole records after the skipped ones; the cut one is line N
  int64_t leftOverBytes = 0;  // of the cut record, 1 ... recordSize - 1
  int32_t recordSize = 0;
  bool poseCut = false;  // fewer bytes than its pose (48): its line gives no points
};

struct PoseFaults {
  std::vector<LineRun> nonFinite;  // attitude or position with a NaN or an infinity
  std::vector<LineRun> glitches;   // runs of pose glitches (finite poses)
  std::optional<CutRecord> cutRecord;

  bool any() const { return !nonFinite.empty() || !glitches.empty() || cutRecord.has_value(); }
};

// Adds a line to runs kept in ascending order: it extends the last run when it follows it.
void addLineToRuns(std::vector<LineRun>& runs, int64_t line);

int64_t linesInRuns(const std::vector<LineRun>& runs);
std::string linesText(int64_t count);  // "1 line", "3 lines"

// The faults of the lines first ... end - 1: runs clipped to them, the cut record when its line
// is among them.
PoseFaults faultsWithin(const PoseFaults& faults, int64_t first, int64_t end);

// "150 (1 line), 200 (3 lines)": each run's first line and count, at most ten runs and how many
// more.
std::string runsText(const std::vector<LineRun>& runs);

// The faults in one sentence for a warning, "" when there are none; glitchesDropped says whether
// the glitches' samples are left out (--drop-pose-glitches) or kept.
std::string poseFaultsText(const PoseFaults& faults, bool glitchesDropped);

// The cut record in words: whole records read and bytes left over, and whether the line stays.
std::string cutRecordText(const CutRecord& cut);

}  // namespace quorvel
