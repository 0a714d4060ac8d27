#include "scan/pose_faults.h"

#include <algorithm>

namespace quorvel {

namespace {

constexpr size_t LISTED_RUNS = 10;

std::vector<LineRun> runsWithin(const std::vector<LineRun>& runs, int64_t first, int64_t end) {
  std::vector<LineRun> clipped;
  for (const LineRun& run : runs) {
    const int64_t from = std::max(run.first, first);
    const int64_t to = std::min(run.first + run.count, end);
    if (from < to) clipped.push_back({from, to - from});
  }
  return clipped;
}

}  // namespace

void addLineToRuns(std::vector<LineRun>& runs, int64_t line) {
  if (!runs.empty() && runs.back().first + runs.back().count == line) {
    ++runs.back().count;
  } else {
    runs.push_back({line, 1});
  }
}

std::string linesText(int64_t count) {
  return std::to_string(count) + (count == 1 ? " line" : " lines");
}

int64_t linesInRuns(const std::vector<LineRun>& runs) {
  int64_t lines = 0;
  for (const LineRun& run : runs) lines += run.count;
  return lines;
}

PoseFaults faultsWithin(const PoseFaults& faults, int64_t first, int64_t end) {
  PoseFaults within{runsWithin(faults.nonFinite, first, end),
                    runsWithin(faults.glitches, first, end), std::nullopt};
  const std::optional<CutRecord>& cut = faults.cutRecord;
  if (cut && cut->wholeRecords >= first && cut->wholeRecords < end) within.cutRecord = cut;
  return within;
}

std::string runsText(const std::vector<LineRun>& runs) {
  std::string text;
  for (size_t i = 0; i < runs.size() && i < LISTED_RUNS; ++i) {
    if (i > 0) text += ", ";
    text += std::to_string(runs[i].first) + " (" + linesText(runs[i].count) + ")";
  }
  if (runs.size() > LISTED_RUNS) {
    text += " and " + std::to_string(runs.size() - LISTED_RUNS) + " more runs";
  }
  return text;
}

std::string cutRecordText(const CutRecord& cut) {
  const std::string line = std::to_string(cut.wholeRecords);
  return std::to_string(cut.wholeRecords) + " whole records after the 200 skipped, " +
         std::to_string(cut.leftOverBytes) + " of " + std::to_string(cut.recordSize) +
         " bytes of the next left over" +
         (cut.poseCut ? " (its pose is cut: line " + line + " gives no points)"
                      : " (its pose is whole: line " + line + " stays, missing ranges 0)");
}

std::string poseFaultsText(const PoseFaults& faults, bool glitchesDropped) {
  std::vector<std::string> parts;
  if (!faults.nonFinite.empty()) {
    parts.push_back(
        linesText(linesInRuns(faults.nonFinite)) +
        " with a pose that is not finite, without points: " + runsText(faults.nonFinite));
  }
  if (!faults.glitches.empty()) {
    parts.push_back(linesText(linesInRuns(faults.glitches)) + " of pose glitches, " +
                    (glitchesDropped ? "left out (--drop-pose-glitches): "
                                     : "kept (--drop-pose-glitches leaves them out): ") +
                    runsText(faults.glitches));
  }
  if (faults.cutRecord) {
    parts.push_back("the file ends inside a record: " + cutRecordText(*faults.cutRecord));
  }
  std::string text;
  for (const std::string& part : parts) text += (text.empty() ? "" : "; ") + part;
  return text;
}

}  // namespace quorvel
