#include "scan/farthest_lines.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "scan/point_reconstruction.h"

namespace quorvel {

namespace {

bool hasPoint(const ScanStore& store, const ScanLine& line) {
  for (int32_t s = 0; s < store.pointsPerLine; ++s) {
    double r;
    if (pointRange(store, line, s, r)) return true;
  }
  return false;
}

double median(std::vector<double> values) {
  const auto middle = values.begin() + static_cast<ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace

void appendLinePositions(const ScanStore& store, std::vector<LinePosition>& positions) {
  for (int32_t l = 0; l < store.lineCount; ++l) {
    const ScanLine& line = (*store.lines)[static_cast<size_t>(l)];
    if (hasPoint(store, line)) {
      positions.push_back({store.firstLine + l, line.position[0], line.position[1]});
    }
  }
}

std::vector<FarLine> farthestOf(const std::vector<LinePosition>& positions, size_t count) {
  if (positions.empty()) return {};
  std::vector<double> xs, ys;
  for (const LinePosition& p : positions) {
    xs.push_back(p.x);
    ys.push_back(p.y);
  }
  const double middleX = median(xs), middleY = median(ys);
  std::vector<FarLine> lines;
  for (const LinePosition& p : positions) {
    lines.push_back({p.line, std::hypot(p.x - middleX, p.y - middleY)});
  }
  const size_t kept = std::min(count, lines.size());
  std::partial_sort(lines.begin(), lines.begin() + static_cast<ptrdiff_t>(kept), lines.end(),
                    [](const FarLine& a, const FarLine& b) {
                      return a.distance > b.distance ||
                             (a.distance == b.distance && a.line < b.line);
                    });
  lines.resize(kept);
  return lines;
}

std::vector<FarLine> farthestLines(const ScanStore& store, size_t count) {
  std::vector<LinePosition> positions;
  appendLinePositions(store, positions);
  return farthestOf(positions, count);
}

std::string farLinesText(const std::vector<FarLine>& lines) {
  std::string text = lines.size() == 1 ? "scan line " : "scan lines ";
  for (size_t k = 0; k < lines.size(); ++k) {
    char distance[48];
    std::snprintf(distance, sizeof distance, " (%.0f)", lines[k].distance);
    text += (k > 0 ? ", " : "") + std::to_string(lines[k].line) + distance;
  }
  return text;
}

std::string farLinesHint(const std::vector<FarLine>& lines) {
  if (lines.empty()) return {};
  return "farthest from the middle of the drive: " + farLinesText(lines) +
         "; --drop-pose-glitches leaves out pose glitches";
}

std::string farLinesHint(const ScanStore& store) {
  return farLinesHint(farthestLines(store, HINT_LINES));
}

}  // namespace quorvel
