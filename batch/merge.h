// `quorvel merge DIR`: what belongs together across the tasks of a batch, in files other tools
// open: DIR/mosaic/map-h.tif (the count rasters of all done tasks summed on the batch's grid,
// 255 at most, as one run over the same points counts them), DIR/mosaic/map-r.tif (road height
// in metres, Float32, the mean where tasks overlap, NaN where no task has road),
// DIR/tiles.geojson (each task's footprint and properties) and DIR/report.json; then the summary.
//
// Limitations: a grid of more than MOSAIC_CELL_LIMIT cells gets no mosaic (the report says so);
// the tasks' own rasters stay.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

namespace quorvel::batch {

inline constexpr int64_t MOSAIC_CELL_LIMIT = int64_t{1} << 30;  // 4 GiB of Float32 cells

// Exit status 0 when every task is done and the merge wrote its files, 1 otherwise.
// wallSeconds: the time the batch took on this machine, when known.
int runMerge(const std::string& dir, std::optional<double> wallSeconds, std::ostream& out,
             std::ostream& err);

}  // namespace quorvel::batch
