#include "scan/pose_glitches.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace quorvel {

namespace {

// A usable pose: its file line and position.
struct Fix {
  int64_t line;
  Vec3 position;
};

std::vector<Fix> usableFixes(std::span<const ScanLine> lines, int64_t firstLine) {
  std::vector<Fix> fixes;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!lines[i].poseRejected) {
      fixes.push_back({firstLine + static_cast<int64_t>(i), lines[i].position});
    }
  }
  return fixes;
}

// Poses a vehicle can hold: no farther apart than `distance` for each line between them.
bool reachable(const Fix& a, const Fix& b, double distance) {
  const double lines = static_cast<double>(b.line > a.line ? b.line - a.line : a.line - b.line);
  return vec3Distance(a.position, b.position) <= lines * distance;  // an overflow is not
}

// No fix of fixes[from ... to - 1] is reachable from `anchor`.
bool noneReachable(const std::vector<Fix>& fixes, size_t from, size_t to, const Fix& anchor,
                   double distance) {
  for (size_t k = from; k < to; ++k) {
    if (reachable(fixes[k], anchor, distance)) return false;
  }
  return true;
}

// A run between anchors: the fixes a + 1 ... b - 1.
struct Run {
  size_t a, b;
  size_t length() const { return b - a; }
};

// Each anchor a whose next fix it cannot reach gives a run up to the first fix it can reach
// (that one is b), when b cannot reach any fix between either.
std::vector<Run> runsBetweenAnchors(const std::vector<Fix>& fixes, double distance) {
  std::vector<Run> runs;
  for (size_t a = 0; a + 1 < fixes.size(); ++a) {
    if (reachable(fixes[a], fixes[a + 1], distance)) continue;
    const auto inReach = [&](size_t k) {
      return k < fixes.size() && fixes[k].line - fixes[a].line <= MAX_GLITCH_RUN + 1;
    };
    size_t b = a + 2;
    while (inReach(b) && !reachable(fixes[a], fixes[b], distance)) ++b;
    if (inReach(b) && noneReachable(fixes, a + 1, b, fixes[b], distance)) runs.push_back({a, b});
  }
  return runs;
}

// Per fix, the length of the shortest run that holds it (SIZE_MAX for none).
std::vector<size_t> shortestRunHolding(const std::vector<Run>& runs, size_t fixCount) {
  std::vector<size_t> shortest(fixCount, SIZE_MAX);
  for (const Run& run : runs) {
    for (size_t k = run.a + 1; k < run.b; ++k) shortest[k] = std::min(shortest[k], run.length());
  }
  return shortest;
}

// The runs whose anchors lie in no run as short or shorter: seen from a glitch, the healthy lines
// between two glitches at one place look like a run too, but a longer one than the glitches.
// Marks the fixes of those runs.
std::vector<bool> runsWithSteadyAnchors(const std::vector<Run>& runs, size_t fixCount) {
  const std::vector<size_t> shortest = shortestRunHolding(runs, fixCount);
  std::vector<bool> inRun(fixCount, false);
  for (const Run& run : runs) {
    if (shortest[run.a] <= run.length() || shortest[run.b] <= run.length()) continue;
    for (size_t k = run.a + 1; k < run.b; ++k) inRun[k] = true;
  }
  return inRun;
}

// The fixes from `first` on, up to `count` steps, each reach the next; a piece that runs past
// the start rule's lines counts as steady.
bool steadyFrom(const std::vector<Fix>& fixes, size_t first, size_t count, double distance) {
  for (size_t k = first; k < first + count; ++k) {
    if (k + 1 >= fixes.size() || fixes[k + 1].line > 2 * MAX_GLITCH_RUN + 1) return true;
    if (!reachable(fixes[k], fixes[k + 1], distance)) return false;
  }
  return true;
}

// A later jump (a fix its predecessor cannot reach) lands where `from` can reach and starts a
// steady piece longer than the run of `count` fixes: the lines between were a longer glitch, not
// the run.
bool rejoinedLater(const std::vector<Fix>& fixes, size_t after, size_t count, const Fix& from,
                   double distance) {
  for (size_t k = after + 1; k < fixes.size() && fixes[k].line <= 2 * MAX_GLITCH_RUN + 1; ++k) {
    if (!reachable(fixes[k - 1], fixes[k], distance) && reachable(from, fixes[k], distance) &&
        steadyFrom(fixes, k, count, distance)) {
      return true;
    }
  }
  return false;
}

// The run at the start of a file: the fixes before the first fix b that the fix before it cannot
// reach and that starts a steady piece (each fix reaching the next) longer than the run, when
// neither b nor the fix after it can reach a fix of the run, b lies in no run, and no later jump
// comes back to the run for longer. Lines count from the file's first.
void runAtStart(const std::vector<Fix>& fixes, const std::vector<bool>& inRun, double distance,
                std::vector<int64_t>& glitchLines) {
  for (size_t b = 1; 2 * b < fixes.size() && fixes[b].line <= MAX_GLITCH_RUN; ++b) {
    if (reachable(fixes[b - 1], fixes[b], distance) || inRun[b]) continue;
    if (steadyFrom(fixes, b, b, distance) && noneReachable(fixes, 0, b, fixes[b], distance) &&
        noneReachable(fixes, 0, b, fixes[b + 1], distance) &&
        !rejoinedLater(fixes, b, b, fixes[b - 1], distance)) {
      for (size_t k = 0; k < b; ++k) glitchLines.push_back(fixes[k].line);
      return;
    }
  }
}

// The run at the end of a file of fileLines lines: the start rule on the lines read backwards.
void runAtEnd(const std::vector<Fix>& fixes, const std::vector<bool>& inRun, int64_t fileLines,
              double distance, std::vector<int64_t>& glitchLines) {
  std::vector<Fix> backwards(fixes.rbegin(), fixes.rend());
  for (Fix& fix : backwards) fix.line = fileLines - 1 - fix.line;
  const std::vector<bool> backwardsInRun(inRun.rbegin(), inRun.rend());
  std::vector<int64_t> mirrored;
  runAtStart(backwards, backwardsInRun, distance, mirrored);
  for (int64_t line : mirrored) glitchLines.push_back(fileLines - 1 - line);
}

std::vector<LineRun> runsOfLines(std::vector<int64_t> lines) {
  std::sort(lines.begin(), lines.end());
  lines.erase(std::unique(lines.begin(), lines.end()), lines.end());
  std::vector<LineRun> runs;
  for (int64_t line : lines) addLineToRuns(runs, line);
  return runs;
}

}  // namespace

bool isFinitePose(const ScanLine& line) {
  for (int k = 0; k < 3; ++k) {
    if (!std::isfinite(line.attitude[k]) || !std::isfinite(line.position[k])) return false;
  }
  return true;
}

PoseFaults findPoseFaults(std::span<const ScanLine> lines, int64_t firstLine, int64_t fileLines,
                          double distance) {
  PoseFaults faults;
  for (size_t i = 0; i < lines.size(); ++i) {
    if (!isFinitePose(lines[i])) addLineToRuns(faults.nonFinite, firstLine + int64_t(i));
  }
  const std::vector<Fix> fixes = usableFixes(lines, firstLine);
  const std::vector<bool> inRun =
      runsWithSteadyAnchors(runsBetweenAnchors(fixes, distance), fixes.size());
  std::vector<int64_t> glitchLines;
  for (size_t k = 0; k < fixes.size(); ++k) {
    if (inRun[k]) glitchLines.push_back(fixes[k].line);
  }
  if (firstLine == 0) runAtStart(fixes, inRun, distance, glitchLines);
  if (firstLine + static_cast<int64_t>(lines.size()) == fileLines) {
    runAtEnd(fixes, inRun, fileLines, distance, glitchLines);
  }
  faults.glitches = runsOfLines(std::move(glitchLines));
  return faults;
}

void dropPoseGlitches(ScanStore& store) {
  bool changed = false;
  for (const LineRun& run : store.poseFaults.glitches) {
    for (int64_t line = run.first; line < run.first + run.count; ++line) {
      const int64_t l = line - store.firstLine;
      if (l < 0 || l >= store.lineCount) continue;
      (*store.lines)[static_cast<size_t>(l)].poseRejected = true;
      changed = true;
    }
  }
  if (changed) releaseDerivedBuffers(store);
}

}  // namespace quorvel
