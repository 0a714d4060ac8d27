// Fuzz target: map header template bytes, then the grid the map exports derive from them: the
// origin and size from a fixed data extent, the strip plan, every strip window, the binning of
// points at the grid's corners and beyond, and the header text.
#include <cstddef>
#include <cstdint>
#include <optional>

#include "export/map_files.h"
#include "export/map_grid.h"
#include "export/map_params.h"

using namespace quorvel;

namespace {

// Bins points around and beyond the extent into every strip of the plan.
void binAround(const MapParams& params, const StripPlan& plan, const Vec3& max, const Vec3& min) {
  const double xs[] = {min[0] - 1.0, min[0], max[0], max[0] + 1e9};
  const double ys[] = {min[1] - 1e9, min[1], max[1], max[1] + 1.0};
  for (int32_t k = 0; k < plan.strips; ++k) {
    const StripWindow window = stripWindow(plan, k, params.length);
    for (double x : xs) {
      for (double y : ys) {
        const std::optional<GridCell> cell = binPoint(params, window, x, y);
        if (cell && (cell->row >= window.rows || cell->column >= params.width)) __builtin_trap();
      }
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  MapParams params;
  parseMapTemplate({data, size}, params);
  const Vec3 max{250.5, -10.0, 3.0};
  const Vec3 min{-12.25, -80.0, -1.0};
  if (!fitMapGrid(max, min, params).ok()) return 0;
  StripPlan plan;
  if (!planStrips(params.width, params.length, plan).ok()) return 0;
  binAround(params, plan, max, min);
  mapHeaderText(params, MapHeaderKind::RoadHeight);
  return 0;
}
