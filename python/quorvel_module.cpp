// `import quorvel`: load a project, run any stage with any parameters, get the results as NumPy
// arrays indexed [scan line, sample] without copies, for several projects in one process.
#include <pybind11/eval.h>
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <cmath>
#include <filesystem>
#include <iostream>
#include <limits>

#include "export/picture_png.h"
#include "pipeline/named_outputs.h"
#include "python/python_project.h"
#include "scan/point_reconstruction.h"
#include "scan/query_info_text.h"
#include "scan/segment_lookup.h"
#include "sim/simulator.h"

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

namespace {

using Threads = std::optional<int>;
const auto THREADS = py::arg("threads") = py::none();

PythonProject& projectOf(const py::object& self) {
  return self.cast<PythonProject&>();
}

// Runs what the call needs, then makes its result under the project's lock.
template <typename Make>
auto after(const py::object& self, std::initializer_list<Needs> needs, Threads threads, Make make) {
  PythonProject& p = projectOf(self);
  prepare(p, needs, threads);
  const std::lock_guard<std::mutex> lock(p.busy);
  return make(p);
}

py::array points(PythonProject& p, Threads threads) {
  const ScanStore& store = p.project.store;
  const size_t lines = static_cast<size_t>(store.lineCount);
  const size_t samples = static_cast<size_t>(store.pointsPerLine);
  py::array_t<double> result({lines, samples, size_t{3}});
  double* out = result.mutable_data();
  py::gil_scoped_release release;
  const std::lock_guard<std::mutex> lock(p.busy);
  ParallelOptions parallel = p.project.parallel;
  if (threads) parallel.threads = *threads;
  parallelFor(lines, parallel, [&](size_t begin, size_t end) {
    for (size_t l = begin; l < end; ++l) {
      for (size_t s = 0; s < samples; ++s) {
        Vec3 point;
        if (!SampleToWorldPoint(store, p.project.calib, static_cast<int32_t>(l),
                                static_cast<int32_t>(s), point)) {
          point.fill(std::numeric_limits<double>::quiet_NaN());
        }
        std::copy(point.begin(), point.end(), out + 3 * (l * samples + s));
      }
    }
  });
  return result;
}

py::array lineSegments(const ScanStore& store) {
  std::vector<LineSegmentRow> rows;
  const std::vector<LineSegmentList>& lists = *store.lineSegmentLists;
  for (size_t l = 0; l < lists.size(); ++l) {
    for (const LineSegment* r = lists[l].get(); r; r = r->next.get()) {
      rows.push_back({static_cast<int32_t>(l), r->first, r->last, r->lineClass});
    }
  }
  py::array_t<LineSegmentRow> result(static_cast<py::ssize_t>(rows.size()));
  std::copy(rows.begin(), rows.end(), result.mutable_data());
  return result;
}

py::array segments(const ScanStore& store) {
  const int32_t count = segmentCount(store);
  py::array_t<SegmentRow> result(count);
  SegmentRow* out = result.mutable_data();
  for (int32_t k = 0; k < count; ++k) {
    const SegmentRecord& r = (*store.segmentTable)[static_cast<size_t>(k)];
    out[k] = {r.label,    r.classCode, r.normal[0], r.normal[1], r.normal[2], r.planeOffset,
              r.var,      r.maxPt[0],  r.maxPt[1],  r.maxPt[2],  r.minPt[0],  r.minPt[1],
              r.minPt[2], r.width,     r.height,    r.pointNum,  r.boundaryPt};
  }
  return result;
}

// The stages an output reads, in the order they run.
std::vector<Needs> outputStages(const std::string& name) {
  const StageNeeds reads = outputNeeds(name);
  std::vector<Needs> needs;
  if (reads.surface) needs.push_back(Needs::Surface);
  if (reads.lines) needs.push_back(Needs::Lines);
  if (reads.regions) needs.push_back(Needs::Regions);
  if (reads.classes) needs.push_back(Needs::Classes);
  return needs;
}

py::array picture(const py::object& self, const std::string& name, Threads threads) {
  if (!isOutputName(OutputKind::Picture, name)) {
    std::string known;
    for (const std::string& picture : outputNames(OutputKind::Picture)) {
      known += (known.empty() ? "" : ", ") + picture;
    }
    throw py::value_error("unknown picture '" + name + "': " + known);
  }
  PythonProject& p = projectOf(self);
  for (Needs need : outputStages(name)) prepare(p, {need}, threads);
  return after(self, {}, threads, [&](PythonProject& project) {
    if (!buildPicture(project.project.records(), name)) {
      throw std::runtime_error("Generate " + name + " image failure.");
    }
    int32_t width = 0, height = 0;
    const std::vector<unsigned char> rgb = pictureRgb(project.project.tiles, width, height);
    py::array_t<uint8_t> result({size_t(height), size_t(width), size_t{3}});
    std::copy(rgb.begin(), rgb.end(), result.mutable_data());
    return result;
  });
}

py::object query(const py::object& self, int64_t line, int64_t sample) {
  return after(self, {Needs::Regions}, std::nullopt, [&](PythonProject& p) -> py::object {
    const SegmentRecord* segment = segmentOfSample(p.project.store, line, sample);
    if (!segment) return py::none();
    py::dict fields;
    for (const QueryInfoField& field : queryInfoFields(*segment)) fields[field.name] = field.text;
    return fields;
  });
}

std::vector<std::string> exportTo(const py::object& self, const std::string& name,
                                  const std::string& path, std::optional<std::string> mapTemplate,
                                  std::optional<int32_t> epsg, Threads threads) {
  if (!isOutputName(OutputKind::Export, name)) {
    throw py::value_error("unknown export '" + name + "'");
  }
  PythonProject& p = projectOf(self);
  for (Needs need : outputStages(name)) prepare(p, {need}, threads);
  OutputRequest request;
  request.path = path;
  request.mapTemplate = mapTemplate;
  request.projectName = std::filesystem::path(p.mdlPath).filename().string();
  request.epsg = epsg;
  WrittenOutput written;
  FailureMessage failure;
  bool ok = false;
  {
    py::gil_scoped_release release;
    const std::lock_guard<std::mutex> lock(p.busy);
    StageTimer untimed(std::cerr, false);
    ok = writeOutput(p.project.records(), name, request, untimed, written, failure);
  }
  if (!ok) {
    const py::object error = py::module_::import("quorvel").attr("ExportError");
    PyErr_SetString(error.ptr(),
                    (failure.text + ": " + failure.caption + " (" + failure.reason + ")").c_str());
    throw py::error_already_set();
  }
  return written.files;
}

std::string simulate(const std::string& outDir, const std::string& scene, int lines, double setup,
                     uint64_t seed) {
  const SimulationOptions options{scene, lines, setup, seed};
  SimulatedProject project;
  Status status;
  {
    py::gil_scoped_release release;
    status = simulateProject(options, project);
    if (status.ok()) status = writeSimulatedProject(project, outDir);
  }
  if (!status.ok()) throw py::value_error(status.reason);
  return (std::filesystem::path(outDir) / "sim.mdl").string();
}

py::dict header(const ScanStore& store) {
  py::dict h;
  h["field_of_view"] = store.fieldOfView;
  h["angular_resolution"] = store.angularResolution;
  h["range_unit"] = store.rangeUnit;
  h["points_per_line"] = store.pointsPerLine;
  h["record_size"] = store.recordSize;
  return h;
}

py::dict calibration(const SensorCalib& calib) {
  py::array_t<double> rotation({3, 3});
  std::copy(calib.rotation.begin(), calib.rotation.end(), rotation.mutable_data());
  py::dict c;
  c["rotation"] = rotation;
  c["translation"] = py::array_t<double>(3, calib.translation.data());
  return c;
}

// The segmentation parameters of one project: reading gives its values, setting one applies it
// at once (and releases the results it makes stale).
struct ParamsView {
  py::object project;
};

template <typename T>
void bindParam(py::class_<ParamsView>& view, const char* name, T SegmentParams::*field,
               const char* doc) {
  view.def_property(
      name, [field](const ParamsView& v) { return projectOf(v.project).project.segment.*field; },
      [field](const ParamsView& v, T value) {
        PythonProject& p = projectOf(v.project);
        SegmentParams params = p.project.segment;
        params.*field = value;
        setSegmentParams(p, params);
      },
      doc);
}

void bindParams(py::module_& m) {
  py::class_<ParamsView> view(m, "Params", "The segmentation parameters of a project");
  bindParam(view, "win_half_size", &SegmentParams::winHalfSize, "K of the (2K + 1)^2 fit window");
  bindParam(view, "min_region_size", &SegmentParams::minRegionSize, "fewest samples of a segment");
  bindParam(view, "max_point_dist", &SegmentParams::maxPointDist, "farthest neighbour that joins");
  bindParam(view, "max_fit_residual", &SegmentParams::maxFitResidual, "largest stored residual");
  bindParam(view, "variance_tol", &SegmentParams::varianceTol, "region growth tolerance");
  view.def("reset", [](const ParamsView& v) {
    SegmentParams defaults;
    resetSegmentParams(defaults);
    setSegmentParams(projectOf(v.project), defaults);
  });
}

void bindProject(py::module_& m) {
  py::class_<PythonProject> project(m, "Project", "A loaded project with its own results");
  project.def_property_readonly("lines", [](PythonProject& p) { return p.project.store.lineCount; })
      .def_property_readonly("samples",
                             [](PythonProject& p) { return p.project.store.pointsPerLine; })
      .def_property_readonly("header", [](PythonProject& p) { return header(p.project.store); })
      .def_property_readonly("calibration",
                             [](PythonProject& p) { return calibration(p.project.calib); })
      .def_property_readonly("ranges", [](const py::object& self) { return rangesView(self); })
      .def_property(
          "params", [](const py::object& self) { return ParamsView{self}; },
          [](const py::object& self, const py::dict& values) {
            const py::object view = py::cast(ParamsView{self});
            for (const auto& [name, value] : values) py::setattr(view, name, value);
          })
      .def(
          "points", [](PythonProject& p, Threads threads) { return points(p, threads); }, THREADS)
      .def(
          "variance",
          [](const py::object& self, Threads threads) {
            return after(self, {Needs::Surface}, threads,
                         [&](PythonProject&) { return varianceView(self); });
          },
          THREADS)
      .def(
          "normals",
          [](const py::object& self, Threads threads) {
            return after(self, {Needs::Surface}, threads,
                         [&](PythonProject&) { return normalsView(self); });
          },
          THREADS)
      .def(
          "line_classes",
          [](const py::object& self, Threads threads) {
            return after(self, {Needs::Lines}, threads,
                         [&](PythonProject&) { return lineClassesView(self); });
          },
          THREADS)
      .def(
          "surface_classes",
          [](const py::object& self, Threads threads) {
            return after(self, {Needs::Classes}, threads,
                         [&](PythonProject&) { return surfaceClassesView(self); });
          },
          THREADS,
          "uint8 [scan line, sample]: 1 carriageway, 2 vertical, 3 other, 4 kerb, 5 ground, "
          "0 no point; a read-only view of the project's buffer")
      .def(
          "line_segments",
          [](const py::object& self, Threads threads) {
            return after(self, {Needs::Lines}, threads,
                         [](PythonProject& p) { return lineSegments(p.project.store); });
          },
          THREADS)
      .def(
          "regions",
          [](const py::object& self, Threads threads) {
            return after(self, {Needs::Regions}, threads, [&](PythonProject& p) {
              return py::make_tuple(labelsView(self), segments(p.project.store));
            });
          },
          THREADS)
      .def("picture", picture, py::arg("name"), THREADS)
      .def("query", query, py::arg("line"), py::arg("sample"))
      .def("export", exportTo, py::arg("name"), py::arg("path"),
           py::arg("map_template") = py::none(), py::arg("epsg") = py::none(), THREADS);
}

}  // namespace

}  // namespace quorvel::python

PYBIND11_MODULE(quorvel, m) {
  using namespace quorvel::python;
  m.doc() = "Quorvel: range images, surface features, segmentation and exports of DS scans";
  PYBIND11_NUMPY_DTYPE(LineSegmentRow, line, first, last, line_class);
  PYBIND11_NUMPY_DTYPE(SegmentRow, label, classCode, nx, ny, nz, planeOffset, var, maxx, maxy, maxz,
                       minx, miny, minz, width, height, pointNum, boundaryPt);
  py::exec(R"py(
class LoadError(Exception):
    """A project that cannot be loaded: the window's message text, its caption and the reason."""
    def __init__(self, text, caption, reason):
        super().__init__(f"{text}: {caption} ({reason})")
        self.text, self.caption, self.reason = text, caption, reason

class ExportError(OSError):
    """An export that could not be written whole; the previous file of that name is untouched."""
)py",
           m.attr("__dict__"));
  bindParams(m);
  bindProject(m);
  m.def(
      "load",
      [](const std::string& path, std::optional<std::pair<int32_t, int32_t>> mask, bool inverse,
         bool dropGlitches) { return loadPythonProject(path, mask, inverse, dropGlitches); },
      py::arg("path"), py::arg("mask") = py::none(), py::arg("inverse") = false,
      py::arg("drop_pose_glitches") = false,
      "Loads a project from its MDL file; warns (UserWarning) of poses that give no points or are "
      "glitches, which drop_pose_glitches leaves out");
  m.def("simulate", simulate, py::arg("out_dir"), py::arg("scene") = "street",
        py::arg("lines") = 1500, py::arg("setup") = 0.5, py::arg("seed") = 1,
        "Writes a simulated project into out_dir and returns its MDL file's path");
}
