// Claims on a batch's work that several runners share: a task is claimed while it runs, the merge
// while it writes. A claim is a POSIX record lock (fcntl) on a file in the batch folder: it works
// on cluster file systems (NFS through its lock manager), and the system releases it when its
// process ends, however it ends, so a claim of a killed runner is taken over by the next one.
#pragma once

#include <string>

#include "scan/status.h"

namespace quorvel::batch {

inline constexpr const char* TASK_LOCK = "task.lock";    // in the task's folder
inline constexpr const char* MERGE_LOCK = "merge.lock";  // in the batch folder

class Claim {
 public:
  Claim() = default;
  ~Claim();
  Claim(const Claim&) = delete;
  Claim& operator=(const Claim&) = delete;

  // Takes the claim on the lock file (created when missing). Without waiting, `held` tells
  // that another process holds it; waiting, it returns once the claim is this process's.
  Status take(const std::string& lockPath, bool wait, bool& held);
  bool taken() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Whether another process holds the claim now (a missing lock file is no claim).
bool claimedElsewhere(const std::string& lockPath);

}  // namespace quorvel::batch
