// One project's run, as `quorvel run` makes it: loads the project, runs the stages the requested
// outputs need, in the order the window's commands would run them, and writes the outputs.
#pragma once

#include <ostream>

#include "pipeline/run_options.h"

namespace quorvel {

// Loads, runs the stages, then writes every requested output, each whole or not at all ("Wrote
// PATH" once a file is complete). An output that fails is reported and the others are still
// written; the exit status is 1 when any failed.
int runProject(const RunOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel
