// A batch on a Slurm cluster: the tasks as array jobs of `quorvel task DIR`, and a merge job
// that runs `quorvel merge DIR` when they have ended, all submitted with sbatch. The batch
// folder and the quorvel program must be on a file system every node sees.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <vector>

#include "scan/status.h"

namespace quorvel::batch {

// Slurm's default MaxArraySize is 1001: larger batches go in several array jobs, each element
// running task (its offset + SLURM_ARRAY_TASK_ID).
inline constexpr int64_t SLURM_ARRAY_LIMIT = 1000;

struct SlurmSubmission {
  std::string exe;            // the quorvel program
  std::string dir;            // the batch folder, absolute
  std::string sbatchOptions;  // passed to every sbatch call as written (shell words)
};

// Submits the tasks (by their index in the plan) and the merge; prints the job ids.
Status submitToSlurm(const SlurmSubmission& submission, const std::vector<int64_t>& tasks,
                     std::ostream& out);

// The --array list of task indices from offset on: "0-3,7,9-10".
std::string arrayList(const std::vector<int64_t>& tasks, int64_t offset);

}  // namespace quorvel::batch
