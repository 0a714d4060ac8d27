// The pictures (range, variance, normal, contour, segment, surface, regions) as NumPy arrays of RGB
// bytes, in one of two layouts:
//   "window": [row, column, 3] as the window shows the picture at zoom 100 %: one row per
//             sample (sample 0 on top, at the bottom with inverse), one column per scan line,
//             and (L div 8) * 8 + 8 columns in all: those past the last line repeat it;
//   "lines":  [scan line, sample, 3] like every other array, without the repeated columns.
#pragma once

#include <pybind11/numpy.h>

#include <optional>
#include <string>

#include "python/python_project.h"

namespace quorvel::python {

// ValueError for an unknown name or layout; RuntimeError with the window's text when the
// picture cannot be built. Takes the project's lock; builds without the GIL.
py::array pictureArray(PythonProject& p, const std::string& name, const std::string& layout,
                       std::optional<int> threads);

}  // namespace quorvel::python
