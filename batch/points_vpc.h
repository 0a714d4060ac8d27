// DIR/mosaic/points.vpc: the tasks' LAS files as one virtual point cloud, the STAC
// ItemCollection that QGIS (3.32 or later) and PDAL wrench open as one layer. One STAC Item per
// task with points: its LAS file by a path relative to the .vpc ("./../tasks/NAME/points.las",
// the "./" that both readers need to take a path as relative), point count, point record schema,
// bounds from the LAS header (proj:bbox, 3-D, and proj:geometry in the scan's coordinates;
// bbox and geometry in WGS 84 longitude and latitude when the EPSG code is known, else the
// scan's coordinates unchanged, as wrench writes a file without coordinate system), the
// coordinate system as proj:wkt2 ("" without one; as wrench writes it: early QGIS versions took
// proj:epsg for an id of their own, and both fail on a null one) and as datetime the time the
// task wrote the file (the DS file holds no time of acquisition).
#pragma once

#include <string>
#include <vector>

#include "batch/plan.h"
#include "scan/status.h"

namespace quorvel::batch {

inline constexpr const char* POINTS_VPC = "mosaic/points.vpc";

// Writes the file when the plan asks for the las export, of the done tasks (their indices) whose
// points.las holds points. Fails, keeping a previous file, when a LAS header cannot be read (its
// path and why).
Status writePointsVpc(const std::string& dir, const BatchPlan& plan,
                      const std::vector<size_t>& done);

}  // namespace quorvel::batch
