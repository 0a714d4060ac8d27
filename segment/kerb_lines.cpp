#include "segment/kerb_lines.h"

#include <cmath>

namespace quorvel {

namespace {

void closeLine(KerbLine& line, double heightSum, std::vector<KerbLine>& lines) {
  if (line.vertices.size() >= 2) {
    line.meanHeight = heightSum / static_cast<double>(line.vertices.size());
    lines.push_back(std::move(line));
  }
  line = {line.side, {}, {}, 0};
}

}  // namespace

std::vector<KerbLine> buildKerbLines(std::span<const KerbFoot> feet) {
  std::vector<KerbLine> lines;
  const size_t lineCount = feet.size() / 2;
  for (int side = 0; side < 2; ++side) {
    KerbLine line{side, {}, {}, 0};
    double heightSum = 0;
    for (size_t l = 0; l < lineCount; ++l) {
      const KerbFoot& foot = feet[2 * l + static_cast<size_t>(side)];
      if (!foot.found) continue;
      if (!line.vertices.empty()) {
        const Vec3& last = line.vertices.back();
        if (std::hypot(foot.foot[0] - last[0], foot.foot[1] - last[1]) > KERB_GAP) {
          closeLine(line, heightSum, lines);
          heightSum = 0;
        }
      }
      line.lines.push_back(static_cast<int32_t>(l));
      line.vertices.push_back(foot.foot);
      heightSum += foot.height;
    }
    closeLine(line, heightSum, lines);
  }
  return lines;
}

}  // namespace quorvel
