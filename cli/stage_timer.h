// Timing of the pipeline's stages for --timings: one "stage NAME SECONDS" line each.
#pragma once

#include <chrono>
#include <ostream>
#include <string>

namespace quorvel::cli {

class StageTimer {
 public:
  StageTimer(std::ostream& err, bool enabled) : err_(err), enabled_(enabled) {}

  template <typename Work>
  auto time(const std::string& name, Work&& work) {
    const auto start = std::chrono::steady_clock::now();
    auto result = work();
    if (enabled_) {
      const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
      err_ << "stage " << name << " " << elapsed.count() << "\n";
    }
    return result;
  }

 private:
  std::ostream& err_;
  bool enabled_;
};

}  // namespace quorvel::cli
