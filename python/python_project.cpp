#include "python/python_project.h"

#include <stdexcept>

#include "scan/pose_glitches.h"

namespace quorvel::python {

namespace {

const ScanStore& storeOf(const py::object& self) {
  return self.cast<PythonProject&>().project.store;
}

ResultViews& viewsOf(const py::object& self) {
  return self.cast<PythonProject&>().views;
}

py::ssize_t linesOf(const ScanStore& store) {
  return store.lineCount;
}

py::ssize_t samplesOf(const ScanStore& store) {
  return store.pointsPerLine;
}

// A sample-major buffer of `components` doubles per sample as [lines, samples(, components)].
template <typename T>
py::array sampleMajorView(const py::object& self, Buffer buffer, const std::vector<T>& data,
                          const py::dtype& type, py::ssize_t itemBytes, py::ssize_t components) {
  const ScanStore& store = storeOf(self);
  const py::ssize_t lines = linesOf(store), samples = samplesOf(store);
  std::vector<py::ssize_t> shape = {lines, samples};
  std::vector<py::ssize_t> strides = {itemBytes * components, itemBytes * components * lines};
  if (components > 1) {
    shape.push_back(components);
    strides.push_back(itemBytes);
  }
  return viewsOf(self).view(self, buffer, type, shape, strides, data.data());
}

void runStage(int (*stage)(const ProjectRecords&), const ProjectRecords& records,
              const char* failure) {
  if (!stage(records)) throw std::runtime_error(failure);
}

}  // namespace

std::unique_ptr<PythonProject> loadPythonProject(const std::string& mdlPath,
                                                 std::optional<std::pair<int32_t, int32_t>> mask,
                                                 bool inverse, bool dropGlitches) {
  auto p = std::make_unique<PythonProject>();
  p->mdlPath = mdlPath;
  if (mask) p->project.mask = {mask->first, mask->second};
  p->project.render.inverse = inverse ? 1 : 0;
  ProjectLoadFailure failure;
  bool loaded = false;
  {
    py::gil_scoped_release release;
    loaded = loadProject(p->project.records(), mdlPath, failure);
    if (loaded && dropGlitches) dropPoseGlitches(p->project.store);
  }
  if (!loaded) {
    const py::object error = py::module_::import("quorvel").attr("LoadError");
    PyErr_SetObject(error.ptr(),
                    py::make_tuple(failure.text, failure.caption, failure.reason).ptr());
    throw py::error_already_set();
  }
  const PoseFaults& faults = p->project.store.poseFaults;
  if (faults.any()) {
    const std::string text = mdlPath + ": " + poseFaultsText(faults, dropGlitches);
    if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 1) != 0) throw py::error_already_set();
  }
  return p;
}

void prepare(PythonProject& p, std::initializer_list<Needs> needs, std::optional<int> threads) {
  py::gil_scoped_release release;
  const std::lock_guard<std::mutex> lock(p.busy);
  if (threads) p.project.parallel.threads = *threads;
  const ProjectRecords records = p.project.records();
  for (Needs need : needs) {
    if (need == Needs::Surface || need == Needs::Regions) {
      runStage(runSurfaceEstimation, records, "Estimate surface variance and normal failure.");
    }
    if (need == Needs::Lines) {
      runStage(runLineSegmentation, records, "Line segmentation failure.");
    }
    if (need == Needs::Regions) {
      runStage(runRegionSegmentation, records, "Region segmentation failure.");
    }
    if (need == Needs::Classes) {
      runStage(runSurfaceClassification, records, "Surface classification failure.");
    }
  }
}

py::array rangesView(const py::object& self) {
  const ScanStore& store = storeOf(self);
  if (!store.lines || store.lineCount == 0) {
    return py::array(py::dtype::of<int16_t>(), {py::ssize_t{0}, samplesOf(store)});
  }
  const std::vector<ScanLine>& lines = *store.lines;
  return viewsOf(self).view(self, Buffer::Ranges, py::dtype::of<int16_t>(),
                            {linesOf(store), samplesOf(store)},
                            {static_cast<py::ssize_t>(sizeof(ScanLine)), 2}, lines[0].range);
}

py::array varianceView(const py::object& self) {
  return sampleMajorView(self, Buffer::Variance, *storeOf(self).varianceMap,
                         py::dtype::of<double>(), 8, 1);
}

py::array normalsView(const py::object& self) {
  return sampleMajorView(self, Buffer::Normals, *storeOf(self).normalMap, py::dtype::of<double>(),
                         8, 3);
}

py::array labelsView(const py::object& self) {
  return sampleMajorView(self, Buffer::Labels, *storeOf(self).labelMap, py::dtype::of<uint16_t>(),
                         2, 1);
}

py::array lineClassesView(const py::object& self) {
  const ScanStore& store = storeOf(self);
  return viewsOf(self).view(self, Buffer::LineClasses, py::dtype::of<uint8_t>(),
                            {linesOf(store), samplesOf(store)}, {samplesOf(store), 1},
                            store.lineSegmentMask->data());
}

// The classes never go stale: they depend on no segmentation parameter.
py::array surfaceClassesView(const py::object& self) {
  const ScanStore& store = storeOf(self);
  return viewsOf(self).view(self, Buffer::SurfaceClasses, py::dtype::of<uint8_t>(),
                            {linesOf(store), samplesOf(store)}, {samplesOf(store), 1},
                            store.surfaceClassMap->data());
}

void setSegmentParams(PythonProject& p, const SegmentParams& params) {
  if (params.winHalfSize < 1 || params.winHalfSize > 12) {
    throw py::value_error("win_half_size must lie in 1 ... 12");
  }
  const std::lock_guard<std::mutex> lock(p.busy);
  ScanStore& store = p.project.store;
  const StaleResults stale = staleResults(p.project.segment, params);
  if (stale.surface && store.varianceMap)
    p.views.release(Buffer::Variance, std::move(*store.varianceMap));
  if (stale.surface && store.normalMap)
    p.views.release(Buffer::Normals, std::move(*store.normalMap));
  if (stale.regions && store.labelMap) p.views.release(Buffer::Labels, std::move(*store.labelMap));
  changeSegmentParams(p.project.records(), params);
}

}  // namespace quorvel::python
