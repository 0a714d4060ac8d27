// The steps that `quorvel run` and a batch task share: the stages in the order the window's
// commands run them, and the outputs written from the project's records, each reported.
#pragma once

#include <ostream>
#include <string>

#include "pipeline/named_outputs.h"
#include "pipeline/run_options.h"
#include "pipeline/stage_timer.h"

namespace quorvel {

// createVarianceMap, LineSegger and classifySurfaces, where the outputs need them; false when
// one failed (it has reported). Each gives each scan line results that depend only on nearby
// lines.
bool runLineStages(const ProjectRecords& project, const RunOptions& options, StageTimer& timer,
                   std::ostream& err);

// USFsegger, where the outputs need it.
bool runRegionStage(const ProjectRecords& project, const RunOptions& options, StageTimer& timer);

// Writes the output of that name; prints "Wrote PATH" per file once all are whole and its notes,
// or the window's message of its failure on err. What it wrote is added to `kept` when given.
bool writeOutputReported(const ProjectRecords& project, const std::string& name,
                         const OutputRequest& request, StageTimer& timer, std::ostream& out,
                         std::ostream& err, WrittenOutput* kept = nullptr);

}  // namespace quorvel
