// A loaded project as the Python module holds it: the project with its own records, a lock so
// that one call at a time works on it, and the keepers of the arrays that view its buffers.
//
// Every call takes the lock without the GIL (so that other Python threads run while it waits,
// and while the stages run), keeps it until its result is made, and stops on Ctrl-C between
// blocks of lines, leaving the project as it was. A parameter change waits for the call that
// is running; close() too.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <atomic>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "pipeline/project.h"
#include "python/result_views.h"

namespace quorvel::python {

namespace py = pybind11;

struct PythonProject {
  Project project;
  std::string mdlPath;
  int32_t lines = 0, samples = 0;  // as loaded, for reading without the lock
  std::mutex busy;
  std::atomic<std::thread::id> holder;  // the thread that holds busy, if any
  ResultViews views;
  std::atomic<bool> closed{false};  // set under busy
};

// The project's lock, taken without the GIL. A thread that already holds it (a signal handler
// that uses the project whose call it interrupted) gets RuntimeError instead of a deadlock.
class ProjectLock {
 public:
  explicit ProjectLock(PythonProject& p);
  ~ProjectLock();
  ProjectLock(const ProjectLock&) = delete;
  ProjectLock& operator=(const ProjectLock&) = delete;

 private:
  PythonProject& p_;
};

// Loads a project; raises LoadError(text, caption, reason) as the window's message would say,
// ValueError for a mask outside the scan's samples. With dropGlitches the glitches' samples get
// no point; a warning names the pose faults.
std::unique_ptr<PythonProject> loadPythonProject(const std::string& mdlPath, const py::handle& mask,
                                                 bool inverse, bool dropGlitches);

// The project's lock (above); ValueError when the project is closed.
std::unique_ptr<ProjectLock> lockOpen(PythonProject& p);

// A call's own thread count (the project's default, every core, when none is given).
struct CallOptions {
  ParallelOptions parallel;
  ProjectRecords records;
  CallOptions(PythonProject& p, std::optional<int> threads);
};

// Under the lock: runs the stages the call needs that have not run yet (without the GIL,
// stoppable by Ctrl-C); raises RuntimeError with the window's text when a stage fails.
enum class Needs { Surface, Lines, Regions, Classes };
void runStages(PythonProject& p, const std::vector<Needs>& needs, std::optional<int> threads);
std::vector<Needs> outputStages(const std::string& name);  // of a picture or export by name
bool computed(const ScanStore& store, const std::vector<Needs>& needs);  // their results are there

// Under the lock: sets the segmentation parameters; the arrays of the results they make stale
// keep their data.
void setSegmentParams(PythonProject& p, const SegmentParams& params);

// Lets go of the scan and every result (the arrays that view them keep their own); later calls
// raise ValueError. Waits for a running call; closing twice is no error.
void closeProject(PythonProject& p);

// The Python object of the project, which the views keep alive.
py::object selfOf(PythonProject& p);

}  // namespace quorvel::python
