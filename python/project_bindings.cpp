#include "python/project_bindings.h"

#include <pybind11/stl.h>

#include <algorithm>
#include <filesystem>
#include <iostream>
#include <limits>

#include "export/epsg_crs.h"
#include "pipeline/named_outputs.h"
#include "python/module_docs.h"
#include "python/picture_array.h"
#include "python/python_args.h"
#include "python/python_errors.h"
#include "python/result_arrays.h"
#include "python/segment_params_view.h"
#include "scan/file_system.h"
#include "scan/query_info_text.h"
#include "scan/segment_lookup.h"

namespace quorvel::python {

namespace {

using Threads = OptionalIntArg;
const auto THREADS = py::arg("threads") = py::none();

// Runs the stages a result needs, then makes it; all under the project's lock.
template <typename Make>
auto after(PythonProject& p, const std::vector<Needs>& needs, const Threads& threads, Make make) {
  const std::optional<int> count = threadsArg(threads.object);
  const auto lock = lockOpen(p);
  runStages(p, needs, count);
  return make(count);
}

py::tuple vector3(const Vec3& v) {
  return py::make_tuple(v[0], v[1], v[2]);
}

py::dict segmentFields(const SegmentRecord& r) {
  py::dict fields;
  fields["label"] = r.label;
  fields["class_code"] = r.classCode;
  fields["normal"] = vector3(r.normal);
  fields["plane_offset"] = r.planeOffset;
  fields["var"] = r.var;
  fields["max_pt"] = vector3(r.maxPt);
  fields["min_pt"] = vector3(r.minPt);
  fields["width"] = r.width;
  fields["height"] = r.height;
  fields["point_num"] = r.pointNum;
  fields["boundary_pt"] = r.boundaryPt;
  fields["density"] = static_cast<double>(r.boundaryPt) / static_cast<double>(r.pointNum);
  return fields;
}

// The segment of a sample, or None; IndexError outside the grid.
template <typename Fields>
py::object query(PythonProject& p, const IntArg& line, const IntArg& sample, Fields fields) {
  const auto lock = lockOpen(p);
  const int64_t l = indexArg(line.object, "line", p.project.store.lineCount);
  const int64_t s = indexArg(sample.object, "sample", p.project.store.pointsPerLine);
  runStages(p, {Needs::Regions}, std::nullopt);
  const SegmentRecord* segment = segmentOfSample(p.project.store, l, s);
  return segment ? py::object(fields(*segment)) : py::object(py::none());
}

// The template, checked as the command line checks it: a file that can be read.
std::optional<std::string> mapTemplateArg(const std::string& name, const py::handle& value) {
  if (value.is_none()) return std::nullopt;
  if (!exportReads(name).mapTemplate) {
    throw py::value_error("map_template is for count-map, road-height and geotiff, not " + name);
  }
  const std::string path = pathArg(value, "map_template");
  FileHandle handle = -1;
  if (const std::string reason = openRegularFile(path, handle); !reason.empty()) {
    raiseExportError({"Export " + name + " failure.", path, reason});
  }
  closeReadFile(handle);
  return path;
}

std::optional<int32_t> epsgArg(const std::string& name, const py::handle& value) {
  if (value.is_none()) return std::nullopt;
  if (!exportReads(name).epsg) throw py::value_error("epsg is for geotiff and kerbs, not " + name);
  const auto code =
      static_cast<int32_t>(integerArg(value, "epsg", 1, std::numeric_limits<int32_t>::max()));
  if (Status status = checkProjectedEpsg(code); !status.ok()) throw py::value_error(status.reason);
  return code;
}

py::list exportTo(PythonProject& p, const StrArg& nameArg, const PathArg& pathArgument,
                  const OptionalPathArg& mapTemplate, const OptionalIntArg& epsg,
                  const Threads& threads) {
  const std::string name = textArg(nameArg.object, "name");
  if (!isOutputName(OutputKind::Export, name)) {
    throw py::value_error("unknown export '" + name + "'");
  }
  OutputRequest request;
  request.path = pathArg(pathArgument.object, "path");
  request.mapTemplate = mapTemplateArg(name, mapTemplate.object);
  request.projectName = std::filesystem::path(p.mdlPath).filename().string();
  request.epsg = epsgArg(name, epsg.object);
  WrittenOutput written;
  FailureMessage failure;
  const bool ok = after(p, outputStages(name), threads, [&](std::optional<int> count) {
    py::gil_scoped_release release;
    const CallOptions call(p, count);
    StageTimer untimed(std::cerr, false);
    return writeOutput(call.records, name, request, untimed, written, failure);
  });
  if (!ok) raiseExportError(failure);
  py::list files;
  for (const std::string& file : written.files) files.append(pathText(file));
  return files;
}

py::frozenset computedStages(PythonProject& p) {
  py::set stages;
  for (const auto& [need, name] :
       {std::pair{Needs::Surface, "surface"}, std::pair{Needs::Lines, "lines"},
        std::pair{Needs::Regions, "regions"}, std::pair{Needs::Classes, "classes"}}) {
    if (computed(p.project.store, {need})) stages.add(name);
  }
  return py::frozenset(stages);
}

py::object maskBand(PythonProject& p) {
  const MaskRange& mask = p.project.mask;
  if (mask.stno > mask.edno || mask.edno < 0) return py::none();  // no sample in it
  return py::make_tuple(mask.stno, mask.edno);
}

py::dict header(PythonProject& p) {
  const ScanStore& store = p.project.store;
  py::dict h;
  h["field_of_view"] = store.fieldOfView;
  h["angular_resolution"] = store.angularResolution;
  h["range_unit"] = store.rangeUnit;
  h["points_per_line"] = store.pointsPerLine;
  h["record_size"] = store.recordSize;
  return h;
}

py::dict calibration(PythonProject& p) {
  const SensorCalib& calib = p.project.calib;
  py::array_t<double> rotation({3, 3});
  std::copy(calib.rotation.begin(), calib.rotation.end(), rotation.mutable_data());
  py::dict c;
  c["rotation"] = rotation;
  c["translation"] = py::array_t<double>(3, calib.translation.data());
  return c;
}

py::str reprOf(const PythonProject& p) {
  const std::string path = py::repr(pathText(p.mdlPath));
  if (p.closed) return py::str("<quorvel.Project " + path + " (closed)>");
  return py::str("<quorvel.Project " + path + ": " + std::to_string(p.lines) + " scan lines x " +
                 std::to_string(p.samples) + " samples>");
}

// A getter that reads the project under its lock.
template <typename Get>
auto locked(Get get) {
  return [get](PythonProject& p) {
    const auto lock = lockOpen(p);
    return get(p);
  };
}

// A method that returns make(p) after the stages it needs.
template <typename Make>
auto resultMethod(std::vector<Needs> needs, Make make) {
  return [needs, make](PythonProject& p, const Threads& threads) {
    return after(p, needs, threads, [&](std::optional<int>) { return make(p); });
  };
}

}  // namespace

void bindProject(py::module_& m) {
  py::class_<PythonProject> project(m, "Project", PROJECT_DOC);
  project.attr("__module__") = "quorvel";
  project
      .def_property_readonly(
          "path", [](const PythonProject& p) { return pathText(p.mdlPath); }, "The MDL file.")
      .def_property_readonly(
          "lines", [](const PythonProject& p) { return p.lines; }, "Scan lines loaded (L).")
      .def_property_readonly(
          "samples", [](const PythonProject& p) { return p.samples; }, "Samples per line (P).")
      .def_property_readonly(
          "closed", [](const PythonProject& p) { return p.closed.load(); },
          "Whether close() has let go of the scan.")
      .def_property_readonly(
          "computed", locked(computedStages),
          "The stages whose results are ready: 'surface' (variance, normals), 'lines' "
          "(line_classes, line_segments), 'regions' (labels and segments), 'classes' "
          "(surface_classes).")
      .def_property_readonly(
          "header", locked(header),
          "The DS file's header: field_of_view, angular_resolution (degrees), range_unit "
          "(raw value per length unit), points_per_line, record_size.")
      .def_property_readonly("calibration", locked(calibration),
                             "The sensor calibration: rotation (3 x 3) and translation (3).")
      .def_property_readonly("ranges", locked(rangesArray), RANGES_DOC)
      .def_property(
          "mask", locked(maskBand),
          [](PythonProject& p, const MaskArg& value) {
            const auto band = maskArg(value.object, p.samples);
            const auto lock = lockOpen(p);
            p.project.mask = band ? MaskRange{band->first, band->second} : MaskRange{};
          },
          MASK_DOC)
      .def_property(
          "params", [](const py::object& self) { return ParamsView{self}; }, assignParams,
          PARAMS_DOC)
      .def(
          "points",
          [](PythonProject& p, const Threads& threads) {
            return after(p, {}, threads,
                         [&](std::optional<int> count) { return pointsArray(p, count); });
          },
          THREADS, POINTS_DOC)
      .def("variance", resultMethod({Needs::Surface}, varianceArray), THREADS, VARIANCE_DOC)
      .def("normals", resultMethod({Needs::Surface}, normalsArray), THREADS, NORMALS_DOC)
      .def("line_classes", resultMethod({Needs::Lines}, lineClassesArray), THREADS,
           LINE_CLASSES_DOC)
      .def("surface_classes", resultMethod({Needs::Classes}, surfaceClassesArray), THREADS,
           SURFACE_CLASSES_DOC)
      .def("line_segments",
           resultMethod({Needs::Lines},
                        [](PythonProject& p) { return lineSegmentsTable(p.project.store); }),
           THREADS, LINE_SEGMENTS_DOC)
      .def("regions",
           resultMethod({Needs::Regions},
                        [](PythonProject& p) {
                          return py::make_tuple(labelsArray(p), segmentsTable(p.project.store));
                        }),
           THREADS, REGIONS_DOC)
      .def(
          "valid",
          [](PythonProject& p, const StrArg& name, const Threads& threads) {
            const std::string result = textArg(name.object, "name");
            return after(p, resultNeeds(result), threads,
                         [&](std::optional<int>) { return validArray(p, result); });
          },
          py::arg("name"), THREADS, VALID_DOC)
      .def(
          "picture",
          [](PythonProject& p, const StrArg& name, const Threads& threads, const StrArg& layout) {
            return pictureArray(p, textArg(name.object, "name"), textArg(layout.object, "layout"),
                                threadsArg(threads.object));
          },
          py::arg("name"), THREADS, py::kw_only(), py::arg("layout") = "window", PICTURE_DOC)
      .def(
          "query",
          [](PythonProject& p, const IntArg& line, const IntArg& sample) {
            return query(p, line, sample, segmentFields);
          },
          py::arg("line"), py::arg("sample"), QUERY_DOC)
      .def(
          "query_text",
          [](PythonProject& p, const IntArg& line, const IntArg& sample) {
            return query(p, line, sample, [](const SegmentRecord& segment) {
              py::dict texts;
              for (const QueryInfoField& field : queryInfoFields(segment)) {
                texts[field.name] = field.text;
              }
              return texts;
            });
          },
          py::arg("line"), py::arg("sample"), QUERY_TEXT_DOC)
      .def("export", exportTo, py::arg("name"), py::arg("path"),
           py::arg("map_template") = py::none(), py::arg("epsg") = py::none(), THREADS, EXPORT_DOC)
      .def("close", closeProject, CLOSE_DOC)
      .def("__enter__", selfOf)
      .def("__exit__",
           [](PythonProject& p, const py::args&) {
             closeProject(p);
             return false;
           })
      .def("__repr__", reprOf);
}

}  // namespace quorvel::python
