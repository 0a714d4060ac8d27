#include "segment/surface_classification.h"

#include <algorithm>
#include <memory>
#include <new>
#include <vector>

#include "scan/stage_message.h"
#include "segment/carriageway_bounds.h"
#include "segment/surface_labels.h"

namespace quorvel {

namespace {

constexpr int32_t K = CARRIAGEWAY_NEIGHBOUR_LINES;
constexpr int32_t WINDOW_LINES = 2 * K + 1;
constexpr size_t BLOCK_LINES = 256;  // lines per piece of parallel work

// The ground of the lines around the one being classified, in a ring of WINDOW_LINES slots.
struct LineWindow {
  std::vector<LineGround> slots = std::vector<LineGround>(WINDOW_LINES);
  PooledRoad pooled{};
  int32_t nextLine = 0;  // the next line to compute
  int32_t firstAdded = 0;

  LineGround& slot(int32_t l) { return slots[static_cast<size_t>(l % WINDOW_LINES)]; }
};

// Lines begin ... end - 1, one unit of run each, up to a stop.
void classifyBlock(const ScanStore& store, const SensorCalib& calib, const WorldPoints& points,
                   int32_t begin, int32_t end, std::vector<uint8_t>& map,
                   std::vector<KerbFoot>& feet, StageRun& run) {
  auto window = std::make_unique<LineWindow>();
  const int32_t L = store.lineCount;
  const size_t P = static_cast<size_t>(store.pointsPerLine);
  window->nextLine = window->firstAdded = std::max(0, begin - K);
  std::vector<const LineGround*> lines;
  for (int32_t l = begin; l < end; ++l) {
    const int32_t lo = std::max(0, l - K), hi = std::min(L - 1, l + K);
    for (; window->firstAdded < lo; ++window->firstAdded) {
      window->pooled.add(window->slot(window->firstAdded), -1);
    }
    for (; window->nextLine <= hi; ++window->nextLine) {
      LineGround& ground = window->slot(window->nextLine);
      findLineGround(store, calib, points, window->nextLine, ground);
      window->pooled.add(ground, 1);
    }
    lines.clear();
    for (int32_t j = lo; j <= hi; ++j) lines.push_back(&window->slot(j));
    const LineGround& line = window->slot(l);
    SideBound bounds[2];
    findCarriagewayBounds(line, window->pooled, lines, bounds);
    labelSurfaces(line, bounds, std::span<uint8_t>(map.data() + static_cast<size_t>(l) * P, P));
    for (int side = 0; side < 2; ++side) {
      feet[2 * static_cast<size_t>(l) + static_cast<size_t>(side)] =
          kerbFoot(line, bounds[side], side);
    }
    if (!run.advance()) return;
  }
}

}  // namespace

int classifySurfaces(ScanStore& store, const SensorCalib& calib, const ParallelOptions& parallel) {
  if (store.surfaceClassMap && store.kerbFeet) return 1;
  if (!store.lines) return 0;
  try {
    const int32_t L = store.lineCount;
    std::vector<uint8_t> map(static_cast<size_t>(L) * static_cast<size_t>(store.pointsPerLine));
    std::vector<KerbFoot> feet(2 * static_cast<size_t>(L));
    const WorldPoints points(store, calib);
    const size_t blocks = (static_cast<size_t>(L) + BLOCK_LINES - 1) / BLOCK_LINES;
    StageRun run(parallel.control, static_cast<size_t>(L));
    parallelFor(blocks, parallel, [&](size_t first, size_t last) {
      const int32_t begin = static_cast<int32_t>(first * BLOCK_LINES);
      const int32_t end =
          static_cast<int32_t>(std::min(last * BLOCK_LINES, static_cast<size_t>(L)));
      classifyBlock(store, calib, points, begin, end, map, feet, run);
    });
    if (run.stopped()) return 0;
    store.surfaceClassMap = std::move(map);
    store.kerbFeet = std::move(feet);
  } catch (const std::bad_alloc&) {
    showStageMessage("Memory failure in classifySurfaces.", "Error");
    return 0;
  }
  return 1;
}

}  // namespace quorvel
