#include "python/segment_params_view.h"

#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "features/variance_map.h"
#include "python/python_args.h"
#include "python/python_project.h"

namespace quorvel::python {

namespace {

struct ParamField {
  const char* name;
  const char* doc;
  py::object (*get)(const SegmentParams&);
  void (*set)(SegmentParams&, const py::handle&);  // checks the value
};

const ParamField FIELDS[] = {
    {"win_half_size", "int, 1 ... 12: K of the (2K + 1) x (2K + 1) plane-fit window (3)",
     [](const SegmentParams& s) -> py::object { return py::int_(s.winHalfSize); },
     [](SegmentParams& s, const py::handle& v) {
       s.winHalfSize = static_cast<int32_t>(integerArg(v, "win_half_size", 1, MAX_WIN_HALF_SIZE));
     }},
    {"min_region_size", "int, at least 1: the fewest samples of a segment (10)",
     [](const SegmentParams& s) -> py::object { return py::int_(s.minRegionSize); },
     [](SegmentParams& s, const py::handle& v) {
       s.minRegionSize = static_cast<int32_t>(
           integerArg(v, "min_region_size", 1, std::numeric_limits<int32_t>::max()));
     }},
    {"max_point_dist", "float above 0: the farthest neighbour that joins a fit or a region (1.0)",
     [](const SegmentParams& s) -> py::object { return py::float_(s.maxPointDist); },
     [](SegmentParams& s, const py::handle& v) {
       s.maxPointDist = numberArg(v, "max_point_dist", 0.0, false);
     }},
    {"max_fit_residual", "float, at least 0: the largest plane-fit residual kept (0.2)",
     [](const SegmentParams& s) -> py::object { return py::float_(s.maxFitResidual); },
     [](SegmentParams& s, const py::handle& v) {
       s.maxFitResidual = numberArg(v, "max_fit_residual", 0.0, true);
     }},
    {"variance_tol", "float, at least 0: the region growth's variance tolerance (0.004)",
     [](const SegmentParams& s) -> py::object { return py::float_(s.varianceTol); },
     [](SegmentParams& s, const py::handle& v) {
       s.varianceTol = numberArg(v, "variance_tol", 0.0, true);
     }},
};

PythonProject& projectOf(const ParamsView& view) {
  return view.project.cast<PythonProject&>();
}

SegmentParams currentParams(PythonProject& p) {
  const auto lock = lockOpen(p);
  return p.project.segment;
}

// Applies change to the parameters as they are when the running call has ended.
template <typename Change>
void changeParams(PythonProject& p, Change change) {
  const auto lock = lockOpen(p);
  SegmentParams params = p.project.segment;
  change(params);
  setSegmentParams(p, params);
}

const ParamField& fieldNamed(const std::string& name) {
  for (const ParamField& field : FIELDS) {
    if (name == field.name) return field;
  }
  std::string names;
  for (const ParamField& field : FIELDS)
    names += std::string(names.empty() ? "" : ", ") + field.name;
  throw py::value_error("unknown parameter '" + name + "': " + names);
}

py::dict asDict(const SegmentParams& params) {
  py::dict values;
  for (const ParamField& field : FIELDS) values[field.name] = field.get(params);
  return values;
}

std::string reprOf(const SegmentParams& params) {
  std::string text = "Params(";
  for (const ParamField& field : FIELDS) {
    text += std::string(text.size() > 7 ? ", " : "") + field.name + "=" +
            std::string(py::repr(field.get(params)));
  }
  return text + ")";
}

}  // namespace

void assignParams(const py::object& project, const py::handle& values) {
  PythonProject& p = project.cast<PythonProject&>();
  py::dict entries;
  if (py::isinstance<ParamsView>(values)) {
    entries = asDict(currentParams(projectOf(values.cast<const ParamsView&>())));
  } else if (py::isinstance(values, py::module_::import("collections.abc").attr("Mapping"))) {
    entries = py::dict(py::reinterpret_borrow<py::object>(values));
  } else {
    throw py::type_error("params must be a mapping of parameter names to values or a Params, not " +
                         std::string(py::str(py::type::handle_of(values).attr("__name__"))));
  }
  std::vector<std::pair<const ParamField*, py::object>> checked;
  SegmentParams trial;
  for (const auto& [name, value] : entries) {
    const ParamField& field = fieldNamed(textArg(name, "a parameter name"));
    field.set(trial, value);
    checked.emplace_back(&field, py::reinterpret_borrow<py::object>(value));
  }
  changeParams(p, [&](SegmentParams& params) {
    for (const auto& [field, value] : checked) field->set(params, value);
  });
}

void bindParams(py::module_& m) {
  py::class_<ParamsView> view(m, "Params",
                              "The segmentation parameters of a project. Setting one checks it, "
                              "waits for a running call on the project and clears the results "
                              "that depend on it.");
  view.attr("__module__") = "quorvel";
  for (const ParamField& field : FIELDS) {
    view.def_property(
        field.name,
        [&field](const ParamsView& v) { return field.get(currentParams(projectOf(v))); },
        [&field](const ParamsView& v, const py::object& value) {
          SegmentParams trial;
          field.set(trial, value);
          changeParams(projectOf(v), [&](SegmentParams& params) { field.set(params, value); });
        },
        field.doc);
  }
  view.def(
          "reset",
          [](const ParamsView& v) {
            changeParams(projectOf(v), [](SegmentParams& params) { resetSegmentParams(params); });
          },
          "Sets every parameter to its default.")
      .def(
          "as_dict", [](const ParamsView& v) { return asDict(currentParams(projectOf(v))); },
          "The parameters as a dict of their names and values.")
      .def("__repr__", [](const ParamsView& v) { return reprOf(currentParams(projectOf(v))); });
}

}  // namespace quorvel::python
