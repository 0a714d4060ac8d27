// The map grid that every task of a batch bins its points into, kept in DIR/grid.master: the
// template's when one is given, completed (origin, size) from the extent of the points of all
// projects exactly as one run's map export completes it from its own points.
#pragma once

#include "batch/plan.h"
#include "export/map_params.h"
#include "scan/status.h"

namespace quorvel::batch {

// Reads every readable project once, chunkLines at a time, when the extent is needed.
Status batchGrid(const BatchPlan& plan, MapParams& grid);

bool planHasMaps(const BatchPlan& plan);  // count-map, road-height or geotiff requested

}  // namespace quorvel::batch
