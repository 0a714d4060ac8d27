// The Project class of the module: its results, pictures, queries, exports and close().
#pragma once

#include <pybind11/pybind11.h>

namespace quorvel::python {

void bindProject(pybind11::module_& m);

}  // namespace quorvel::python
