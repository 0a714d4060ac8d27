// The stages of the window's commands (the surface estimation, the line and the region
// segmentation), each run under the window's progress display, whose Cancel stops it. A stopped
// stage leaves no result of its own (scan/stage_control.h); a command whose later stage is
// stopped drops what its earlier stages made, so that the project is as it was before.
#pragma once

#include "app/window_system.h"

namespace quorvel {

enum class StageEnd { Done, Failed, Cancelled };

inline constexpr const char* SURFACE_TASK = "Estimating surface variance and normals";
inline constexpr const char* LINES_TASK = "Segmenting the scan lines";
inline constexpr const char* REGIONS_TASK = "Segmenting regions";

// Runs a stage on the process-wide records (createVarianceMap, LineSegger, USFsegger) with the
// window's progress display named `task`.
StageEnd runCommandStage(ws::Window window, const char* task, int (*stage)());

}  // namespace quorvel
