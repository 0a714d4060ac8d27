// A loaded project as the Python module holds it: the project with its own records, a lock so
// that one thread at a time computes on it (the GIL is released meanwhile), and the keepers of
// the arrays that view its buffers.
#pragma once

#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>

#include <mutex>
#include <optional>
#include <string>

#include "pipeline/project.h"
#include "python/result_views.h"

namespace quorvel::python {

namespace py = pybind11;

struct PythonProject {
  Project project;
  std::string mdlPath;
  std::mutex busy;
  ResultViews views;
};

// Loads a project; raises LoadError(text, caption, reason) as the window's message would say.
// With dropGlitches the glitches' samples get no point; a warning names the pose faults.
std::unique_ptr<PythonProject> loadPythonProject(const std::string& mdlPath,
                                                 std::optional<std::pair<int32_t, int32_t>> mask,
                                                 bool inverse, bool dropGlitches);

// What a stage call needs before it returns; raises with the window's message when a stage
// fails. Runs without the GIL, one call at a time per project, with the given thread count.
enum class Needs { Surface, Lines, Regions, Classes };
void prepare(PythonProject& p, std::initializer_list<Needs> needs, std::optional<int> threads);

py::array rangesView(const py::object& self);
py::array varianceView(const py::object& self);  // [lines, samples]
py::array normalsView(const py::object& self);   // [lines, samples, 3]
py::array lineClassesView(const py::object& self);
py::array surfaceClassesView(const py::object& self);
py::array labelsView(const py::object& self);

// Sets the segmentation parameters; the arrays of results they make stale keep their data.
void setSegmentParams(PythonProject& p, const SegmentParams& params);

}  // namespace quorvel::python
