#include "render/contour_picture.h"

#include <algorithm>

#include "render/range_picture.h"
#include "scan/point_reconstruction.h"

namespace quorvel {

void WorldPointWindow::moveTo(int32_t first, int32_t last, const ScanStore& store,
                              const SensorCalib& calib, const ParallelOptions& parallel) {
  const size_t P = static_cast<size_t>(store.pointsPerLine);
  const size_t lines = static_cast<size_t>(last - first + 1);
  std::vector<Vec3> newPoints(lines * P);
  std::vector<uint8_t> newValid(lines * P, 0);
  parallelFor(lines, parallel, [&](size_t begin, size_t end) {
    for (size_t i = begin; i < end; ++i) {
      const int32_t l = first + static_cast<int32_t>(i);
      const bool kept = l >= firstLine && l <= lastLine;
      const size_t from = static_cast<size_t>(l - firstLine) * P;
      for (size_t s = 0; s < P; ++s) {
        const size_t to = i * P + s;
        if (kept) {
          newPoints[to] = points[from + s];
          newValid[to] = valid[from + s];
        } else {
          newValid[to] = static_cast<uint8_t>(
              SampleToWorldPoint(store, calib, l, static_cast<int32_t>(s), newPoints[to]));
        }
      }
    }
  });
  firstLine = first;
  lastLine = last;
  points = std::move(newPoints);
  valid = std::move(newValid);
}

bool WorldPointWindow::point(const ScanStore& store, int32_t l, int32_t s, Vec3& p) const {
  const size_t at = static_cast<size_t>(l - firstLine) * static_cast<size_t>(store.pointsPerLine) +
                    static_cast<size_t>(s);
  if (!valid[at]) return false;
  p = points[at];
  return true;
}

void ContourPainter::prepareTile(int32_t firstLine, int32_t lastLine) {
  window.moveTo(std::max(firstLine - 1, 0), std::min(lastLine + 1, store.lineCount - 1), store,
                calib, parallel);
}

void ContourPainter::paint(int32_t l, int32_t s, uint8_t* bgr) const {
  if (l == 0 || l == store.lineCount - 1 || s == 0 || s == store.pointsPerLine - 1) return;
  Vec3 p;
  if (!window.point(store, l, s, p)) return;
  double maxDist = 0;
  int missing = 0;
  for (int32_t s2 = s - 1; s2 <= s + 1; ++s2) {
    for (int32_t l2 = l - 1; l2 <= l + 1; ++l2) {
      if (l2 == l && s2 == s) continue;
      Vec3 q;
      if (!window.point(store, l2, s2, q)) {
        ++missing;
      } else {
        maxDist = std::max(maxDist, vec3Distance(p, q));
      }
    }
  }
  if (missing >= 2 || maxDist >= EDGE_DIST) {
    bgr[0] = 0;
    bgr[1] = 0;
    bgr[2] = 255;
    return;
  }
  bgr[0] = bgr[1] = bgr[2] = byteLevel(rangeOf(store, l, s), params.rangeGreyScale);
}

int buildContourPicture(BitmapTileStore& tiles, const ScanStore& store, const SensorCalib& calib,
                        const RenderParams& params, const ParallelOptions& parallel) {
  ContourPainter painter{store, calib, params, parallel, {}};
  const MaskRange noMask;
  const bool loaded = store.lines.has_value();
  return buildMeshTiles(tiles, store, loaded, {params, noMask, false, parallel}, painter);
}

int Contour2MeshBmp() {
  return buildContourPicture(bitmapTileStore, scanStore, sensorCalib, renderParams,
                             parallelOptions);
}

}  // namespace quorvel
