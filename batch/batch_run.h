// `quorvel batch PROJECT.mdl... --out DIR ...`: plans the batch (DIR/batch.json, and
// DIR/grid.master when map rasters are asked for), runs the tasks that are not done yet on this
// machine or submits them to Slurm, and merges.
#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "pipeline/run_options.h"

namespace quorvel::batch {

struct BatchOptions {
  std::vector<std::string> projects;  // MDL files
  std::string outDir;
  int32_t chunkLines = 5000;
  int jobs = 0;  // 0: one per two cores
  bool slurm = false;
  std::string sbatchOptions;
  bool quiet = false;
  RunOptions run;       // the outputs of every task, as `run` takes them
  std::string command;  // the command line as given, for the batch page
};

// Exit status: 0 when every task is done and merged (or, with Slurm, submitted), 1 when a task
// or the merge failed, 2 when DIR holds the plan of a different batch.
int runBatch(const BatchOptions& options, std::ostream& out, std::ostream& err);

}  // namespace quorvel::batch
