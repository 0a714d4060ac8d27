// A project's results as NumPy arrays indexed [scan line, sample], and where each has data.
// Called under the project's lock, after the stages the result needs.
//
// Each array marks its samples without data as the stage stores them (these values stay, so
// that the arrays equal the command line's dumps):
//   ranges        int16, raw; no point where the range lies outside MIN_RANGE ... MAX_RANGE
//   points        float64 [.., 3]; NaN where the sample has no point (a copy)
//   variance      float64; NO_VARIANCE (-1.0) on the border, without a fit, or with fewer than
//                 two fits in the 3 x 3 block
//   normals       float64 [.., 3]; NO_NORMAL (99999999.0) in all three components without a fit
//   line_classes  uint8; MASK_NO_POINT (0) without a scan-plane point
//   surface_classes  uint8; SURFACE_NO_POINT (0) without a point
//   labels        uint16; MAX_SEGMENTS (10000) and above: no segment
// validArray gives the samples with data of each as a bool array.
#pragma once

#include <pybind11/numpy.h>

#include <optional>
#include <string>
#include <vector>

#include "python/python_project.h"

namespace quorvel::python {

struct LineSegmentRow {
  int32_t line, first, last;
  uint8_t line_class;
};

struct SegmentRow {
  uint16_t label;
  uint8_t classCode;
  double nx, ny, nz, planeOffset, var, maxx, maxy, maxz, minx, miny, minz, width, height;
  int32_t pointNum, boundaryPt;
};

void registerRowTypes();  // the structured dtypes of the two tables, once at import

py::array rangesArray(PythonProject& p);       // a view
py::array varianceArray(PythonProject& p);     // a view of the sample-major buffer
py::array normalsArray(PythonProject& p);      // a view [lines, samples, 3]
py::array lineClassesArray(PythonProject& p);  // a view
// A view; the classes never go stale: they depend on no segmentation parameter.
py::array surfaceClassesArray(PythonProject& p);
py::array labelsArray(PythonProject& p);  // a view
py::array pointsArray(PythonProject& p, std::optional<int> threads);
py::array lineSegmentsTable(const ScanStore& store);  // one row per piece, lines in order
py::array segmentsTable(const ScanStore& store);      // one row per segment, label order

// The stages a result needs (none for ranges and points), for the names above; ValueError for
// another name.
std::vector<Needs> resultNeeds(const std::string& name);
// bool [lines, samples]: where the named result has data.
py::array validArray(PythonProject& p, const std::string& name);

}  // namespace quorvel::python
