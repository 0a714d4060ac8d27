// `quorvel run PROJECT.mdl --out DIR ...`: loads the project, runs the stages the requested
// outputs need, in the order the window's commands would run them, and writes the outputs.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "features/range_image.h"
#include "pipeline/project.h"
#include "scan/status.h"

namespace quorvel::cli {

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

// Checks and normalises the picture list ("all" or names from range, variance, normal,
// contour, segment); a fault names the unknown entry.
Status parseImageList(const std::string& list, std::vector<std::string>& images);

// Parses "STNO:EDNO" (integers, may be negative).
Status parseMaskRange(const std::string& text, MaskRange& mask);

// Sets the project's parameters as the options say (thread count, segmentation defaults, mask
// range, Inverse).
void applyRunOptions(const RunOptions& options, const ProjectRecords& project);

// After the load: rejects the poses of glitches when the options say so, then warns of the pose
// faults of lines first ... end - 1 (the loaded ones when not given), naming the caption.
void applyPoseOptions(const RunOptions& options, const ProjectRecords& project,
                      const std::string& caption, std::ostream& err,
                      std::optional<LineWindow> reported = std::nullopt);

// Loads, runs the stages, then writes every requested output, each whole or not at all ("Wrote
// PATH" once a file is complete). An output that fails is reported and the others are still
// written; the exit status is 1 when any failed.
int runPipeline(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
