// The steps that `quorvel run` and a batch task share: the stages in the order the window's
// commands run them, and the outputs written from the project's records.
#pragma once

#include <cstdint>
#include <optional>
#include <ostream>
#include <string>

#include "cli/run_command.h"
#include "cli/stage_timer.h"
#include "pipeline/project.h"
#include "platform/headless/picture_png.h"

namespace quorvel::cli {

// createVarianceMap and LineSegger, where the outputs need them; false when one failed (it has
// reported). Both give each scan line results that depend only on nearby lines.
bool runLineStages(const ProjectRecords& project, const RunOptions& options, StageTimer& timer,
                   std::ostream& err);

// USFsegger, where the outputs need it.
bool runRegionStage(const ProjectRecords& project, const RunOptions& options, StageTimer& timer);

// Builds and writes DIR/NAME.png (only the given columns when given), then releases the picture;
// reports a failure as the window's commands would. Prints "Wrote PATH" once the file is whole.
bool writePicture(const ProjectRecords& project, const std::string& name, const std::string& outDir,
                  std::optional<PictureColumns> columns, StageTimer& timer, std::ostream& out,
                  std::ostream& err);

// The --dump files, all or one part (variance.npy and normal.npy, or the segmentations' files,
// which need the region segmentation); linesegments.csv numbers the lines from firstLine.
enum class DumpPart { All, Surface, Segmentation };
bool writeDump(const ProjectRecords& project, const std::string& outDir, int32_t firstLine,
               DumpPart part, StageTimer& timer, std::ostream& out, std::ostream& err);

}  // namespace quorvel::cli
