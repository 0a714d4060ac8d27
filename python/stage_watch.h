// Ctrl-C during a stage. Python runs its signal handlers only in the main thread and only when
// that thread asks (PyErr_CheckSignals, with the GIL), while the stages run for seconds without
// the GIL. So on the main thread the work runs on a helper thread, and the main thread watches:
// it waits for the work without the GIL and lets Python handle its signals every
// WATCH_INTERVAL. When a handler raises (Ctrl-C: KeyboardInterrupt), it sets the work's cancel
// flag, waits for the stages to stop at their next check (scan/stage_control.h) and raises that
// exception. Other threads receive no signals: their work runs where they call it, without the
// GIL.
#pragma once

#include <pybind11/pybind11.h>

#include <atomic>
#include <chrono>
#include <functional>

namespace quorvel::python {

inline constexpr std::chrono::milliseconds WATCH_INTERVAL{50};

// Runs work (which must not touch Python) without the GIL, stopping it as described above; the
// work polls the flag it is given. Exceptions of the work reach the caller.
void runWatched(const std::function<void(const std::atomic<bool>& cancel)>& work);

}  // namespace quorvel::python
