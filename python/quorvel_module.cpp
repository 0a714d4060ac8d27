// `quorvel._core`, which `import quorvel` presents: load a project, run any stage with any
// parameters, get the results as NumPy arrays indexed [scan line, sample] without copies, for
// several projects in one process.
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <filesystem>
#include <string>

#include "features/variance_map.h"
#include "pipeline/named_outputs.h"
#include "python/module_docs.h"
#include "python/project_bindings.h"
#include "python/python_args.h"
#include "python/python_errors.h"
#include "python/python_project.h"
#include "python/result_arrays.h"
#include "python/segment_params_view.h"
#include "scan/segment_lookup.h"
#include "segment/line_class.h"
#include "segment/surface_classes.h"
#include "sim/simulator.h"

namespace quorvel::python {

namespace {

py::str simulate(const PathArg& outDirArg, const StrArg& scene, const IntArg& lines,
                 const FloatArg& setup, const IntArg& seed) {
  const std::string outDir = pathArg(outDirArg.object, "out_dir");
  const SimulationOptions options{
      textArg(scene.object, "scene"),
      static_cast<int>(integerArg(lines.object, "lines", 1, MAX_SIMULATED_LINES)),
      numberArg(setup.object, "setup", 0.0, false),
      static_cast<uint64_t>(integerArg(seed.object, "seed", 0, INT64_MAX))};
  SimulatedProject project;
  Status made, written;
  {
    py::gil_scoped_release release;
    made = simulateProject(options, project);
    if (made.ok()) written = writeSimulatedProject(project, outDir);
  }
  if (!made.ok()) throw py::value_error(made.reason);
  if (!written.ok()) raiseFileError(outDir, written);
  return pathText((std::filesystem::path(outDir) / "sim.mdl").string());
}

// A table of class codes and their names.
py::dict classNames(std::initializer_list<std::pair<uint8_t, const char*>> names) {
  py::dict classes;
  for (const auto& [code, name] : names) classes[py::int_(code)] = name;
  return classes;
}

void bindConstants(py::module_& m) {
  m.attr("__version__") = QUORVEL_VERSION;
  m.attr("NO_VARIANCE") = NO_VARIANCE;
  m.attr("NO_NORMAL") = NO_NORMAL;
  m.attr("MAX_SEGMENTS") = MAX_SEGMENTS;
  m.attr("LINE_CLASSES") = classNames({{MASK_NO_POINT, "no point"},
                                       {LINE_CLASS_VERTICAL, "vertical"},
                                       {LINE_CLASS_ROAD, "road"},
                                       {LINE_CLASS_LINE, "line"},
                                       {MASK_PIECE_END, "piece end"},
                                       {MASK_NO_LINE, "no line"}});
  m.attr("SURFACE_CLASSES") = classNames({{SURFACE_NO_POINT, "no point"},
                                          {SURFACE_CARRIAGEWAY, "carriageway"},
                                          {SURFACE_VERTICAL, "vertical"},
                                          {SURFACE_OTHER, "other"},
                                          {SURFACE_KERB, "kerb"},
                                          {SURFACE_GROUND, "ground"}});
  m.attr("PICTURES") = py::tuple(py::cast(outputNames(OutputKind::Picture)));
  m.attr("EXPORTS") = py::tuple(py::cast(outputNames(OutputKind::Export)));
}

}  // namespace

}  // namespace quorvel::python

PYBIND11_MODULE(_core, m) {
  using namespace quorvel::python;
  m.doc() = MODULE_DOC;
  registerRowTypes();
  bindConstants(m);
  bindParams(m);
  bindProject(m);
  m.def(
      "load",
      [](const PathArg& path, const MaskArg& mask, bool inverse, bool dropGlitches) {
        return loadPythonProject(pathArg(path.object, "path"), mask.object, inverse, dropGlitches);
      },
      py::arg("path"), py::arg("mask") = py::none(), py::arg("inverse") = false,
      py::arg("drop_pose_glitches") = false, LOAD_DOC);
  m.def("simulate", simulate, py::arg("out_dir"), py::arg("scene") = "street",
        py::arg("lines") = 1500, py::arg("setup") = 0.5, py::arg("seed") = 1, SIMULATE_DOC);
}
