// Timing of the pipeline's stages: one "stage NAME SECONDS" line each for --timings, and the
// list of them for a batch task's record. Stages may be timed from two threads at once.
#pragma once

#include <chrono>
#include <mutex>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

class StageTimer {
 public:
  StageTimer(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}

  template <typename Work>
  auto time(const std::string& name, Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    auto result = work();
    const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
    const std::lock_guard<std::mutex> lock(mutex_);  // stages may run on two threads
    stages_.emplace_back(name, elapsed.count());
    if (enabled_) err_ << "stage " << name << " " << elapsed.count() << "\n";
    return result;
  }

  const std::vector<std::pair<std::string, double>>& stages() const { return stages_; }

 private:
  std::ostream& err_;
  bool enabled_;
  std::mutex mutex_;
  std::vector<std::pair<std::string, double>> stages_;  // in the order they ran
};

}  // namespace quorvel
