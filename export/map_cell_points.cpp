#include "export/map_cell_points.h"

#include <map>
#include <mutex>

#include "features/range_image.h"  // for lineMajorIndex
#include "scan/parallel_for.h"
#include "scan/point_reconstruction.h"

namespace quorvel {

std::vector<CellPoint> binnedPoints(const ExportSources& sources, RoadSelection selection,
                                    const MapParams& grid, const RasterWindow& raster) {
  const ScanStore& store = sources.store;
  const std::vector<uint8_t>& mask = *store.lineSegmentMask;
  const WorldPoints worldPoint(store, sources.calib);
  const StripWindow whole{raster.firstRow, raster.length, raster.firstColumn, raster.width};
  std::map<size_t, std::vector<CellPoint>> ranges;  // each worker's lines, by their first
  std::mutex rangesMutex;
  parallelFor(static_cast<size_t>(store.lineCount), sources.parallel,
              [&](size_t begin, size_t end) {
                std::vector<CellPoint> found;
                for (int32_t l = static_cast<int32_t>(begin); l < static_cast<int32_t>(end); ++l) {
                  for (int32_t s = 0; s < store.pointsPerLine; ++s) {
                    if (inMaskBand(sources.mask, s)) continue;
                    if (!isSelected(selection, mask[lineMajorIndex(store, l, s)])) continue;
                    Vec3 point;
                    if (!worldPoint(l, s, point)) continue;
                    const std::optional<GridCell> cell = binPoint(grid, whole, point[0], point[1]);
                    if (cell)
                      found.push_back(
                          {cell->row + whole.firstRow, cell->column + whole.firstColumn, point[2]});
                  }
                }
                const std::lock_guard<std::mutex> lock(rangesMutex);
                ranges[begin] = std::move(found);
              });
  size_t count = 0;
  for (const auto& range : ranges) count += range.second.size();
  std::vector<CellPoint> points;
  points.reserve(count);
  for (auto& range : ranges) {
    points.insert(points.end(), range.second.begin(), range.second.end());
    std::vector<CellPoint>().swap(range.second);
  }
  return points;
}

}  // namespace quorvel
