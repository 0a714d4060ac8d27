// mosaic/kerbs.geojson: the kerb lines of every done task (its kerbs.geojson) in one
// FeatureCollection, each feature with the property project besides the task's. A kerb line that
// a task boundary cut is whole again: the last line of a side in one task and the first of that
// side in the next task of the drive are joined when their ends lie within KERB_GAP, as one run
// over the drive would have kept them (mean height weighted by their vertices). What differs from
// one run: a kerb seen on a single scan line at a task's edge is left out, as in the task.
#pragma once

#include <string>
#include <vector>

#include "batch/plan.h"
#include "scan/status.h"

namespace quorvel::batch {

// Writes the file when the plan asks for the kerbs export; `done`: the indices of the done tasks.
Status writeKerbMosaic(const std::string& dir, const BatchPlan& plan,
                       const std::vector<size_t>& done);

}  // namespace quorvel::batch
