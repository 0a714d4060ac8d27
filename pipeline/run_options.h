// What a run of the pipeline over one project writes, as `quorvel run` and every batch task take
// it: the pictures, the dump and the exports by their names in the outputs table, and the
// parameters they are computed with.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "features/range_image.h"
#include "pipeline/named_outputs.h"
#include "pipeline/project.h"

namespace quorvel {

struct RunOptions {
  std::string project;
  std::string outDir;
  std::vector<std::string> images;         // picture names, in the order given
  std::vector<std::string> exports;        // export names, in the order given
  std::optional<std::string> mapTemplate;  // grid template of the map exports
  std::optional<int32_t> epsg;             // coordinate system of the GeoTIFF rasters
  std::optional<MaskRange> mask;
  bool inverse = false;
  bool dump = false;              // run every stage and write its in-memory results
  bool dropPoseGlitches = false;  // the samples of pose glitches get no point
  bool timings = false;
  int threads = 0;  // 0: one per core
};

// Sets the project's parameters as the options say (thread count, segmentation defaults, mask
// range, Inverse).
void applyRunOptions(const RunOptions& options, const ProjectRecords& project);

// After the load: rejects the poses of glitches when the options say so; the loaded scan's pose
// faults.
const PoseFaults& applyPoseOptions(const RunOptions& options, const ProjectRecords& project);

// The stages that the requested outputs read.
StageNeeds runNeeds(const RunOptions& options);

}  // namespace quorvel
