// The contour picture's pixel rule exactly as written, nine world-point evaluations per pixel
// and no cache: the oracle for the cached painter.
#pragma once

#include <algorithm>

#include "render/range_picture.h"
#include "scan/point_reconstruction.h"

namespace quorvel::reference {

struct LiteralContourPainter {
  const ScanStore& store;
  const SensorCalib& calib;
  const RenderParams& params;

  void prepareTile(int32_t, int32_t) {}

  void paint(int32_t l, int32_t s, uint8_t* bgr) const {
    const int32_t L = store.lineCount, P = store.pointsPerLine;
    if (l == 0 || l == L - 1 || s == 0 || s == P - 1) return;
    Vec3 p;
    if (!SampleToWorldPoint(store, calib, l, s, p)) return;
    double maxDist = 0.0;
    int missing = 0;
    for (int32_t s2 = s - 1; s2 <= s + 1; ++s2) {
      for (int32_t l2 = l - 1; l2 <= l + 1; ++l2) {
        if (l2 == l && s2 == s) continue;
        Vec3 q;
        if (!SampleToWorldPoint(store, calib, l2, s2, q)) {
          missing = missing + 1;
        } else {
          maxDist = std::max(maxDist, vec3Distance(p, q));
        }
      }
    }
    if (missing >= 2 || maxDist >= 1.0) {
      bgr[0] = 0, bgr[1] = 0, bgr[2] = 255;
    } else {
      double v = rangeOf(store, l, s) * params.rangeGreyScale;
      if (v < 0)
        v = 0;
      else if (v > 255)
        v = 255;
      bgr[0] = bgr[1] = bgr[2] = static_cast<uint8_t>(v);
    }
  }
};

}  // namespace quorvel::reference
