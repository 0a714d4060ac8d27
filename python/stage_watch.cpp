#include "python/stage_watch.h"

#include <future>

namespace quorvel::python {

namespace py = pybind11;

namespace {

bool onMainThread() {
  const py::module_ threading = py::module_::import("threading");
  return threading.attr("current_thread")().is(threading.attr("main_thread")());
}

}  // namespace

void runWatched(const std::function<void(const std::atomic<bool>& cancel)>& work) {
  std::atomic<bool> cancel{false};
  if (!onMainThread()) {
    py::gil_scoped_release release;
    work(cancel);
    return;
  }
  std::future<void> done = std::async(std::launch::async, [&] { work(cancel); });
  for (;;) {
    {
      py::gil_scoped_release release;
      if (done.wait_for(WATCH_INTERVAL) == std::future_status::ready) break;
    }
    if (PyErr_CheckSignals() != 0) {
      cancel = true;
      {
        py::gil_scoped_release release;
        done.wait();
      }
      throw py::error_already_set();
    }
  }
  done.get();
}

}  // namespace quorvel::python
