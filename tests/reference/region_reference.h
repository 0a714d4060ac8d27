// The region segmentation exactly as written: a full pass over the grid for every seed, every
// growth sweep over the whole window, TESTED marks reset around each accepted sample, the
// class code decided step by step. One thread. The oracle for the production path.
#pragma once

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "features/plane_fit.h"
#include "features/segment_params.h"
#include "features/variance_map.h"
#include "scan/point_reconstruction.h"
#include "segment/region_segmentation.h"

namespace quorvel::reference {

struct LiteralRegions {
  const ScanStore& store;
  const SensorCalib& calib;
  const SegmentParams& params;
  const std::vector<double>& var;
  std::vector<uint16_t>& label;
  std::vector<SegmentRecord>& table;
  int32_t L, P;
  std::vector<double> X, Y, Z;
  int32_t count = 0;
  double T = 0;
  int32_t sLo = 0, sHi = 0, lLo = 0, lHi = 0;

  size_t at(int32_t l, int32_t s) const { return static_cast<size_t>(s) * L + l; }
  bool inGrid(int32_t l, int32_t s) const { return l >= 0 && l <= L - 1 && s >= 0 && s <= P - 1; }
  Vec3 world(int32_t l, int32_t s) const {
    Vec3 p{};
    SampleToWorldPoint(store, calib, l, s, p);
    return p;
  }

  void initial() {
    for (size_t i = 0; i < label.size(); i++) {
      const int32_t s = static_cast<int32_t>(i / L), l = static_cast<int32_t>(i % L);
      double r;
      label[i] = SampleRange(store, l, s, r) && var[i] != -1.0 ? UNASSIGNED : NO_SEGMENT;
    }
  }

  bool findSeed(size_t& seed) const {
    size_t i = 0;
    while (i < label.size() && label[i] != UNASSIGNED) i++;
    if (i == label.size()) return false;
    seed = i;
    for (size_t j = 0; j < label.size(); j++) {
      if (label[j] == UNASSIGNED && var[j] < var[seed]) seed = j;
    }
    return true;
  }

  bool accepts(int32_t l, int32_t s, const Vec3& p) const {
    for (int32_t s2 = s - 1; s2 <= s + 1; s2++) {
      for (int32_t l2 = l - 1; l2 <= l + 1; l2++) {
        if (s2 == s && l2 == l) continue;
        if (!inGrid(l2, s2) || label[at(l2, s2)] != IN_REGION) continue;
        if (var[at(l2, s2)] <= T && vec3Distance(p, world(l2, s2)) <= params.maxPointDist) {
          return true;
        }
      }
    }
    return false;
  }

  void grow(int32_t l0, int32_t s0) {
    label[at(l0, s0)] = IN_REGION;
    const Vec3 p0 = world(l0, s0);
    double sum = 0;
    int32_t n = 0;
    for (int32_t s = s0 - 2; s <= s0 + 2; s++) {
      for (int32_t l = l0 - 2; l <= l0 + 2; l++) {
        if (inGrid(l, s) && label[at(l, s)] == UNASSIGNED) {
          sum += var[at(l, s)];
          n++;
        }
      }
    }
    T = (n > 0 ? sum / n : 0.0) + 0.5 * params.varianceTol;
    X[0] = p0[0], Y[0] = p0[1], Z[0] = p0[2];
    count = 1;
    sLo = sHi = s0;
    lLo = lHi = l0;
    bool fsLo = true, fsHi = true, flLo = true, flHi = true;
    for (;;) {
      sLo = std::max(sLo - (fsLo ? 1 : 0), 1);
      sHi = std::min(sHi + (fsHi ? 1 : 0), P - 1);
      lLo = std::max(lLo - (flLo ? 1 : 0), 1);
      lHi = std::min(lHi + (flHi ? 1 : 0), L - 1);
      fsLo = fsHi = flLo = flHi = false;
      bool accepted = false;
      if (sLo > sHi) return;
      for (int32_t s = sLo; s <= sHi; s++) {
        for (int32_t l = lLo; l <= lHi; l++) {
          if (label[at(l, s)] != UNASSIGNED) continue;
          label[at(l, s)] = TESTED;
          const Vec3 p = world(l, s);
          if (!accepts(l, s, p)) continue;
          label[at(l, s)] = IN_REGION;
          fsHi = fsHi || s == sHi;
          fsLo = fsLo || s == sLo;
          flHi = flHi || l == lHi;
          flLo = flLo || l == lLo;
          X[count] = p[0], Y[count] = p[1], Z[count] = p[2];
          count++;
          accepted = true;
          for (int32_t s2 = s - 1; s2 <= s + 1; s2++) {
            for (int32_t l2 = l - 1; l2 <= l + 1; l2++) {
              if (inGrid(l2, s2) && label[at(l2, s2)] == TESTED) label[at(l2, s2)] = UNASSIGNED;
            }
          }
        }
      }
      if (accepted) continue;
      for (int32_t s = sLo; s <= sHi; s++) {
        for (int32_t l = lLo; l <= lHi; l++) {
          if (label[at(l, s)] == TESTED) label[at(l, s)] = UNASSIGNED;
        }
      }
      return;
    }
  }

  static uint8_t classCode(const SegmentRecord& r) {
    const double nz = std::fabs(r.normal[2]), maxZ = r.maxPt[2];
    uint8_t code = 7;
    if (nz > 0.99) code = maxZ <= 0 ? 0 : 1;
    if (nz < 0.1) {
      if (r.var < 0.2) {
        code = maxZ < 0 ? 3 : 2;
      } else if (maxZ < 0) {
        code = 5;
      } else {
        const double ratio = static_cast<double>(r.boundaryPt) / static_cast<double>(r.pointNum);
        code = ratio >= 0.3 ? 4 : (r.pointNum > 60 ? 2 : 4);
      }
    }
    if (code == 7) {
      if (maxZ >= 0) {
        code = 4;
      } else if (r.width < 5.0) {
        code = 6;
      }
    }
    return code;
  }

  void record(uint16_t k) {
    SegmentRecord& r = table[k];
    r.pointNum = count;
    r.boundaryPt = count;
    for (int32_t s = sLo + 1; s < sHi; s++) {
      for (int32_t l = lLo + 1; l < lHi; l++) {
        if (label[at(l, s)] != IN_REGION) continue;
        int32_t members = 0;
        for (int32_t s2 = s - 1; s2 <= s + 1; s2++) {
          for (int32_t l2 = l - 1; l2 <= l + 1; l2++) {
            if ((s2 != s || l2 != l) && inGrid(l2, s2) && label[at(l2, s2)] == IN_REGION) members++;
          }
        }
        if (members > 6) r.boundaryPt -= 1;
      }
    }
    r.label = k;
    for (uint16_t& v : label) v = v == IN_REGION ? k : v;
    Plane plane;
    fitPlane(count, X.data(), Y.data(), Z.data(), plane);
    r.normal = {plane.a, plane.b, plane.c};
    r.planeOffset = plane.d;
    planeResidual(X.data(), Y.data(), Z.data(), plane, r.var, count);
    r.maxPt = {-99999999.0, -99999999.0, -99999999.0};
    r.minPt = {99999999.0, 99999999.0, 99999999.0};
    for (int32_t i = 0; i < count; i++) {
      const double c[3] = {X[i], Y[i], Z[i]};
      for (int a = 0; a < 3; a++) {
        if (c[a] >= r.maxPt[a]) r.maxPt[a] = c[a];
        if (c[a] <= r.minPt[a]) r.minPt[a] = c[a];
      }
    }
    r.width = std::sqrt((r.maxPt[0] - r.minPt[0]) * (r.maxPt[0] - r.minPt[0]) +
                        (r.maxPt[1] - r.minPt[1]) * (r.maxPt[1] - r.minPt[1]));
    r.height = r.maxPt[2] - r.minPt[2];
    r.classCode = classCode(r);
  }

  void run() {
    initial();
    uint16_t k = 0;
    size_t seed;
    while (findSeed(seed)) {
      grow(static_cast<int32_t>(seed % L), static_cast<int32_t>(seed / L));
      if (count >= params.minRegionSize) {
        record(k);
        k++;
        if (k == MAX_SEGMENTS) return;
      } else {
        for (uint16_t& v : label) v = v == IN_REGION ? NO_SEGMENT : v;
      }
    }
  }
};

// LabelMap and SegmentTable of the literal algorithm for the store's VarianceMap.
inline void literalRegions(const ScanStore& store, const SensorCalib& calib,
                           const SegmentParams& params, std::vector<uint16_t>& labelMap,
                           std::vector<SegmentRecord>& segmentTable) {
  const size_t n = static_cast<size_t>(store.lineCount) * store.pointsPerLine;
  labelMap.assign(n, 0);
  segmentTable.assign(MAX_SEGMENTS, SegmentRecord{});
  LiteralRegions run{store,
                     calib,
                     params,
                     *store.varianceMap,
                     labelMap,
                     segmentTable,
                     store.lineCount,
                     store.pointsPerLine,
                     std::vector<double>(n),
                     std::vector<double>(n),
                     std::vector<double>(n)};
  run.run();
}

// Every field equal bit for bit (so -0.0 differs from 0.0); padding is not compared.
inline bool identicalRecords(const SegmentRecord& a, const SegmentRecord& b) {
  const auto same = [](const auto& x, const auto& y) { return std::memcmp(&x, &y, sizeof x) == 0; };
  return same(a.label, b.label) && same(a.classCode, b.classCode) && same(a.normal, b.normal) &&
         same(a.planeOffset, b.planeOffset) && same(a.var, b.var) && same(a.maxPt, b.maxPt) &&
         same(a.minPt, b.minPt) && same(a.width, b.width) && same(a.height, b.height) &&
         same(a.pointNum, b.pointNum) && same(a.boundaryPt, b.boundaryPt);
}

inline bool identicalTables(const std::vector<SegmentRecord>& a,
                            const std::vector<SegmentRecord>& b) {
  if (a.size() != b.size()) return false;
  for (size_t k = 0; k < a.size(); ++k) {
    if (!identicalRecords(a[k], b[k])) return false;
  }
  return true;
}

}  // namespace quorvel::reference
