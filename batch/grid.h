// The map grid that every task of a batch bins its points into, kept in DIR/grid.master: the
// template's when one is given, completed (origin, size) from the extent of the points of all
// projects exactly as one run's map export completes it from its own points.
#pragma once

#include <string>
#include <string_view>

#include "batch/plan.h"
#include "export/map_params.h"
#include "scan/status.h"

namespace quorvel::batch {

inline constexpr const char* GRID_FILE = "grid.master";

// Reads every readable project once, chunkLines at a time, when the extent is needed (without
// the pose glitches when the plan drops them). When the grid from the extent is too large for a
// grid at all (the fault then ends with it), or one project's points spread over more cells than
// its tasks' rasters can hold, note says why: the project whose points spread over the most and
// its lines farthest from the middle of its drive.
Status batchGrid(const BatchPlan& plan, MapParams& grid, std::string& note);

std::string gridFingerprint(std::string_view gridText);  // kept in the plan

// Reads DIR/grid.master and checks it before anything is computed from it: there, a grid with
// cells, and the one the batch was planned with (its fingerprint). A fault says what to do.
Status readPlannedGrid(const std::string& dir, const BatchPlan& plan, MapParams& grid);

}  // namespace quorvel::batch
