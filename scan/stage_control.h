// Stopping a running stage from another thread, and following how far it has come: the one
// mechanism behind Ctrl-C in the Python module, a Cancel button and a progress bar in the window
// programs, and a progress display on the command line.
//
// A caller that wants either fills the StageControl of the ParallelOptions it hands to the
// stages (scan/parallel_for.h); the region segmentation, which runs on one thread, takes the
// StageControl alone. The default control neither stops nor reports.
//
// - cancel: a flag the caller owns and may set from any thread at any time. The surface
//   estimation, the line segmentation and the surface classification poll it after every scan
//   line, the region segmentation while it orders its seeds (region_seeds.h) and after every
//   few thousand samples its regions take; they stop at the next poll. A stopped stage returns
//   0 without a message, installs none of its results and leaves the store as it was before the
//   call; the caller tells a stop from a failure by its own flag.
// - progress: called with the fraction of the stage's work done, in steps of 1 / PROGRESS_STEPS
//   from 0 exclusive to 1 inclusive, never decreasing; one call at a time, but from any of the
//   stage's threads. It must return quickly, must not throw and must not touch the project's
//   records. A stage that runs to its end reports 1.
//
// Neither changes a result: a stage that is not stopped computes the same bits with or without
// a control, for every thread count. The pictures and the exports take no control (a picture of
// a 20 000-line drive takes a quarter of a second).
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <mutex>

namespace quorvel {

inline constexpr size_t PROGRESS_STEPS = 1000;  // the finest step of a progress report

struct StageControl {
  const std::atomic<bool>* cancel = nullptr;      // set to stop; nullptr: never stops
  std::function<void(double fraction)> progress;  // empty: no reports
};

// One run of a stage under a control: counts the units of work done on any thread, reports
// the progress and tells the stage whether to go on.
class StageRun {
 public:
  StageRun(const StageControl& control, size_t totalUnits);
  StageRun(const StageRun&) = delete;
  StageRun& operator=(const StageRun&) = delete;

  // Records units of work done; false when the stage is to stop (it then does no more work).
  bool advance(size_t units = 1);
  void finish();         // the work ended early but complete (nothing left to do): reports 1
  bool stopped() const;  // some part of the work was left undone at a stop request

 private:
  void report(size_t done);

  const StageControl& control_;
  const size_t total_;
  std::atomic<size_t> done_{0};
  std::atomic<bool> stopped_{false};
  std::mutex reportMutex_;               // one report at a time
  std::atomic<size_t> reportedStep_{0};  // changed under reportMutex_
};

}  // namespace quorvel
