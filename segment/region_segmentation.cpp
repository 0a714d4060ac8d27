#include "segment/region_segmentation.h"

#include <algorithm>
#include <functional>
#include <memory>
#include <new>
#include <queue>

#include "features/range_image.h"
#include "features/variance_map.h"
#include "scan/parallel_for.h"  // for the process-wide control
#include "scan/point_reconstruction.h"
#include "scan/stage_message.h"
#include "segment/region_seeds.h"
#include "segment/segment_record.h"

namespace quorvel {

namespace {

constexpr int32_t THRESHOLD_HALF_SIZE = 2;  // the seed's threshold window is 5 x 5
constexpr int32_t MAX_INNER_MEMBERS = 6;    // more member neighbours: not a boundary sample
constexpr int32_t REPORT_MEMBERS = 4096;    // members between two polls of the stage control

// The grid and the inputs every step reads.
struct Grid {
  const ScanStore& store;
  const SensorCalib& calib;
  const SegmentParams& params;
  const std::vector<double>& variance;
  std::vector<uint16_t>& labels;
  int32_t L, P;
  WorldPoints worldPoint;

  size_t index(int32_t l, int32_t s) const {
    return static_cast<size_t>(s) * static_cast<size_t>(L) + static_cast<size_t>(l);
  }
  int32_t lineOf(size_t i) const { return static_cast<int32_t>(i % static_cast<size_t>(L)); }
  int32_t sampleOf(size_t i) const { return static_cast<int32_t>(i / static_cast<size_t>(L)); }
  bool inside(int32_t l, int32_t s) const { return l >= 0 && l < L && s >= 0 && s < P; }
  Vec3 point(size_t i) const {
    Vec3 p{};
    worldPoint(lineOf(i), sampleOf(i), p);
    return p;
  }
};

// The region being grown.
struct Region {
  double threshold = 0;
  int32_t count = 0;
  int32_t sLo = 0, sHi = 0, lLo = 0, lHi = 0;                           // window, inclusive
  bool edgeSLo = true, edgeSHi = true, edgeLLo = true, edgeLHi = true;  // widen that side
  bool accepted = false;                                                // in the current sweep
  int32_t reported = 0;         // members counted as progress
  bool stopped = false;         // the stage control stopped the growth
  std::vector<size_t> members;  // acceptance order, seed first
  std::vector<size_t> tested;   // failed candidates
  std::vector<size_t> pending;  // candidates of later sweeps
  std::priority_queue<size_t, std::vector<size_t>, std::greater<>> sweep;  // this sweep's

  bool inWindow(int32_t l, int32_t s) const { return s >= sLo && s <= sHi && l >= lLo && l <= lHi; }

  // An empty region whose window is the seed's sample; the lists keep their storage.
  void restart(int32_t l0, int32_t s0) {
    count = 0;
    sLo = sHi = s0;
    lLo = lHi = l0;
    edgeSLo = edgeSHi = edgeLLo = edgeLHi = true;
    accepted = false;
    reported = 0;
    stopped = false;
    members.clear();
    tested.clear();
    pending.clear();
  }
};

double seedThreshold(const Grid& grid, int32_t l0, int32_t s0) {
  double sum = 0;
  int32_t n = 0;
  for (int32_t s = s0 - THRESHOLD_HALF_SIZE; s <= s0 + THRESHOLD_HALF_SIZE; ++s) {
    for (int32_t l = l0 - THRESHOLD_HALF_SIZE; l <= l0 + THRESHOLD_HALF_SIZE; ++l) {
      if (!grid.inside(l, s) || grid.labels[grid.index(l, s)] != UNASSIGNED) continue;
      sum += grid.variance[grid.index(l, s)];
      n += 1;
    }
  }
  // Without unassigned neighbours no candidate exists and T is never read.
  const double mean = n > 0 ? sum / n : 0.0;
  return mean + 0.5 * grid.params.varianceTol;
}

// Whether some member among the eight neighbours of (l, s) passes the sample on.
bool joinsRegion(const Grid& grid, const Region& region, int32_t l, int32_t s, const Vec3& p) {
  for (int32_t s2 = s - 1; s2 <= s + 1; ++s2) {
    for (int32_t l2 = l - 1; l2 <= l + 1; ++l2) {
      if ((s2 == s && l2 == l) || !grid.inside(l2, s2)) continue;
      const size_t j = grid.index(l2, s2);
      if (grid.labels[j] != IN_REGION || !(grid.variance[j] <= region.threshold)) continue;
      if (vec3Distance(p, grid.point(j)) <= grid.params.maxPointDist) return true;
    }
  }
  return false;
}

void addMember(const Grid& grid, Region& region, RegionPoints& points, size_t i, const Vec3& p) {
  grid.labels[i] = IN_REGION;
  const auto n = static_cast<size_t>(region.count);
  points.x[n] = p[0];
  points.y[n] = p[1];
  points.z[n] = p[2];
  region.count += 1;
  region.members.push_back(i);
}

// The unassigned samples around a new member i become candidates: later in this sweep when
// they come after i in the scan and lie in the window, otherwise in a later sweep.
void queueNeighbours(const Grid& grid, Region& region, size_t i) {
  const int32_t l = grid.lineOf(i), s = grid.sampleOf(i);
  for (int32_t s2 = s - 1; s2 <= s + 1; ++s2) {
    for (int32_t l2 = l - 1; l2 <= l + 1; ++l2) {
      if (!grid.inside(l2, s2)) continue;
      const size_t j = grid.index(l2, s2);
      if (grid.labels[j] == TESTED) grid.labels[j] = UNASSIGNED;
      if (grid.labels[j] != UNASSIGNED || l2 == 0 || s2 == 0) continue;
      if (j > i && region.inWindow(l2, s2)) {
        region.sweep.push(j);
      } else {
        region.pending.push_back(j);
      }
    }
  }
}

void testCandidate(const Grid& grid, Region& region, RegionPoints& points, size_t i) {
  grid.labels[i] = TESTED;
  const int32_t l = grid.lineOf(i), s = grid.sampleOf(i);
  const Vec3 p = grid.point(i);
  if (!joinsRegion(grid, region, l, s, p)) {
    region.tested.push_back(i);
    return;
  }
  addMember(grid, region, points, i, p);
  region.edgeSHi |= s == region.sHi;
  region.edgeSLo |= s == region.sLo;
  region.edgeLHi |= l == region.lHi;
  region.edgeLLo |= l == region.lLo;
  region.accepted = true;
  queueNeighbours(grid, region, i);
}

void widenWindow(const Grid& grid, Region& region) {
  region.sLo = std::max(region.sLo - (region.edgeSLo ? 1 : 0), 1);
  region.sHi = std::min(region.sHi + (region.edgeSHi ? 1 : 0), grid.P - 1);
  region.lLo = std::max(region.lLo - (region.edgeLLo ? 1 : 0), 1);
  region.lHi = std::min(region.lHi + (region.edgeLHi ? 1 : 0), grid.L - 1);
  region.edgeSLo = region.edgeSHi = region.edgeLLo = region.edgeLHi = false;
  region.accepted = false;
}

// Moves the pending candidates inside the window into this sweep, in scan order.
void startSweep(const Grid& grid, Region& region) {
  std::sort(region.pending.begin(), region.pending.end());
  region.pending.erase(std::unique(region.pending.begin(), region.pending.end()),
                       region.pending.end());
  std::vector<size_t> later;
  for (size_t j : region.pending) {
    if (region.inWindow(grid.lineOf(j), grid.sampleOf(j))) {
      region.sweep.push(j);
    } else {
      later.push_back(j);
    }
  }
  region.pending.swap(later);
}

// Counts the members not yet counted as progress; false (and stopped) when the stage is to stop.
bool reportMembers(Region& region, StageRun& run) {
  region.stopped = !run.advance(static_cast<size_t>(region.count - region.reported));
  region.reported = region.count;
  return !region.stopped;
}

// One sweep; false when the growth ends (or stops: a huge region takes long).
bool growthSweep(const Grid& grid, Region& region, RegionPoints& points, StageRun& run) {
  widenWindow(grid, region);
  if (region.sLo > region.sHi) return false;
  startSweep(grid, region);
  size_t previous = SIZE_MAX;
  while (!region.sweep.empty()) {
    const size_t i = region.sweep.top();
    region.sweep.pop();
    if (i == previous || grid.labels[i] != UNASSIGNED) continue;
    previous = i;
    testCandidate(grid, region, points, i);
    if (region.count - region.reported >= REPORT_MEMBERS && !reportMembers(region, run)) {
      return false;
    }
  }
  return region.accepted;
}

void growRegion(const Grid& grid, size_t seed, Region& region, RegionPoints& points,
                StageRun& run) {
  const int32_t l0 = grid.lineOf(seed), s0 = grid.sampleOf(seed);
  region.restart(l0, s0);
  grid.labels[seed] = IN_REGION;
  region.threshold = seedThreshold(grid, l0, s0);
  addMember(grid, region, points, seed, grid.point(seed));
  queueNeighbours(grid, region, seed);
  while (growthSweep(grid, region, points, run)) {
  }
  for (size_t j : region.tested) {
    if (grid.labels[j] == TESTED) grid.labels[j] = UNASSIGNED;
  }
}

int32_t boundaryCount(const Grid& grid, const Region& region) {
  int32_t boundary = region.count;
  for (size_t i : region.members) {
    const int32_t l = grid.lineOf(i), s = grid.sampleOf(i);
    if (s <= region.sLo || s >= region.sHi || l <= region.lLo || l >= region.lHi) continue;
    int32_t around = 0;
    for (int32_t s2 = s - 1; s2 <= s + 1; ++s2) {
      for (int32_t l2 = l - 1; l2 <= l + 1; ++l2) {
        if ((s2 != s || l2 != l) && grid.labels[grid.index(l2, s2)] == IN_REGION) around += 1;
      }
    }
    if (around > MAX_INNER_MEMBERS) boundary -= 1;
  }
  return boundary;
}

void closeRegion(const Grid& grid, const Region& region, uint16_t value) {
  for (size_t i : region.members) grid.labels[i] = value;
}

// UNASSIGNED where the sample has a valid range and a variance, NO_SEGMENT elsewhere.
void initialLabels(const ScanStore& store, const std::vector<double>& varianceMap,
                   std::vector<uint16_t>& labelMap) {
  for (int32_t s = 0; s < store.pointsPerLine; ++s) {
    for (int32_t l = 0; l < store.lineCount; ++l) {
      const size_t i = sampleMajorIndex(store, l, s);
      double range = 0;
      const bool valid = SampleRange(store, l, s, range) && varianceMap[i] != NO_VARIANCE;
      labelMap[i] = valid ? UNASSIGNED : NO_SEGMENT;
    }
  }
}

}  // namespace

int SampleRange(const ScanStore& store, int32_t l, int32_t s, double& range) {
  if (l < 0 || l > store.lineCount - 1 || s < 0 || s > store.pointsPerLine - 1) return 0;
  range = rangeOf(store, l, s);
  return isValidRange(range) ? 1 : 0;
}

int growRegions(const ScanStore& store, const SensorCalib& calib, const SegmentParams& params,
                std::vector<uint16_t>& labelMap, std::vector<SegmentRecord>& segmentTable,
                RegionPoints& points, const StageControl& control) {
  initialLabels(store, *store.varianceMap, labelMap);
  // Units of progress: each unassigned sample once when the seeds are ordered, once when a
  // region takes it.
  StageRun run(control,
               2 * static_cast<size_t>(std::count(labelMap.begin(), labelMap.end(), UNASSIGNED)));
  const Grid grid{store,
                  calib,
                  params,
                  *store.varianceMap,
                  labelMap,
                  store.lineCount,
                  store.pointsPerLine,
                  WorldPoints(store, calib)};
  SeedQueue seeds;
  if (!makeSeedQueue(labelMap, *store.varianceMap, seeds, run)) return 0;
  uint16_t k = 0;
  Region region;
  size_t seed = 0;
  while (k < MAX_SEGMENTS && nextSeed(seeds, labelMap, *store.varianceMap, seed)) {
    growRegion(grid, seed, region, points, run);
    if (region.stopped) return 0;
    if (region.count < params.minRegionSize) {
      closeRegion(grid, region, NO_SEGMENT);
    } else {
      describeSegment(k, points.x.get(), points.y.get(), points.z.get(), region.count,
                      boundaryCount(grid, region), segmentTable[k]);
      closeRegion(grid, region, k);
      k += 1;
    }
    if (!reportMembers(region, run)) return 0;
  }
  run.finish();
  return 1;
}

int segmentRegions(ScanStore& store, const SensorCalib& calib, const SegmentParams& params,
                   const StageControl& control) {
  if (store.labelMap) return 1;
  const size_t count =
      static_cast<size_t>(store.lineCount) * static_cast<size_t>(store.pointsPerLine);
  if (!store.varianceMap || !store.normalMap || store.varianceMap->size() != count) return 0;
  std::vector<uint16_t> labels;
  std::vector<SegmentRecord> table;
  RegionPoints points;
  try {
    labels.assign(count, 0);
    table.assign(MAX_SEGMENTS, SegmentRecord{});
    points.x = std::make_unique_for_overwrite<double[]>(count);
    points.y = std::make_unique_for_overwrite<double[]>(count);
    points.z = std::make_unique_for_overwrite<double[]>(count);
    if (!growRegions(store, calib, params, labels, table, points, control)) return 0;
  } catch (const std::bad_alloc&) {
    showStageMessage("Memory failure in USFsegger.", "Error");
    return 0;
  }
  store.segmentTable.emplace(std::move(table));
  store.labelMap.emplace(std::move(labels));
  return 1;
}

int USFsegger() {
  return segmentRegions(scanStore, sensorCalib, segmentParams, parallelOptions.control);
}

}  // namespace quorvel
