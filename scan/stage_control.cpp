#include "scan/stage_control.h"

#include <algorithm>

namespace quorvel {

StageRun::StageRun(const StageControl& control, size_t totalUnits)
    : control_(control), total_(totalUnits) {}

bool StageRun::advance(size_t units) {
  if (control_.cancel && control_.cancel->load(std::memory_order_relaxed)) {
    stopped_.store(true, std::memory_order_relaxed);
    return false;
  }
  if (control_.progress) report(done_.fetch_add(units, std::memory_order_relaxed) + units);
  return true;
}

void StageRun::finish() {
  if (control_.progress) report(total_);
}

bool StageRun::stopped() const {
  return stopped_.load(std::memory_order_relaxed);
}

void StageRun::report(size_t done) {
  if (total_ == 0) return;
  const size_t step = std::min(done, total_) * PROGRESS_STEPS / total_;
  if (step <= reportedStep_.load(std::memory_order_relaxed)) return;
  const std::lock_guard<std::mutex> lock(reportMutex_);
  if (step <= reportedStep_.load(std::memory_order_relaxed)) return;
  reportedStep_.store(step, std::memory_order_relaxed);
  control_.progress(static_cast<double>(step) / PROGRESS_STEPS);
}

}  // namespace quorvel
