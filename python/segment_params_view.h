// `project.params`: the segmentation parameters of one project by their Python names, each
// checked before it is set. A change waits for the call running on the project, then releases
// the results it makes stale; assigning a mapping checks every entry before it changes any.
#pragma once

#include <pybind11/pybind11.h>

namespace quorvel::python {

namespace py = pybind11;

struct ParamsView {
  py::object project;
};

void bindParams(py::module_& m);

// project.params = values: a mapping of names to values, or another project's Params.
void assignParams(const py::object& project, const py::handle& values);

}  // namespace quorvel::python
