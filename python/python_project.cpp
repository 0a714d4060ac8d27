#include "python/python_project.h"

#include <algorithm>
#include <stdexcept>

#include "pipeline/named_outputs.h"
#include "python/python_args.h"
#include "python/python_errors.h"
#include "python/stage_watch.h"
#include "scan/pose_glitches.h"

namespace quorvel::python {

namespace {

ProjectRecords recordsWith(Project& project, ParallelOptions& parallel) {
  const ProjectRecords own = project.records();
  return {own.paths, own.calib, own.store, own.segment, own.render, own.mask, parallel, own.tiles};
}

// The stages in order, each run at most once, up to the first that the cancel flag stops.
void runNeeded(const ProjectRecords& records, const std::vector<Needs>& needs,
               const std::atomic<bool>& cancel) {
  const auto run = [&](int (*stage)(const ProjectRecords&), const char* failure) {
    if (cancel) return false;
    if (stage(records)) return true;
    if (cancel) return false;
    throw std::runtime_error(failure);
  };
  for (Needs need : needs) {
    if ((need == Needs::Surface || need == Needs::Regions) &&
        !run(runSurfaceEstimation, "Estimate surface variance and normal failure.")) {
      return;
    }
    if (need == Needs::Lines && !run(runLineSegmentation, "Line segmentation failure.")) return;
    if (need == Needs::Regions && !run(runRegionSegmentation, "Region segmentation failure.")) {
      return;
    }
    if (need == Needs::Classes &&
        !run(runSurfaceClassification, "Surface classification failure.")) {
      return;
    }
  }
}

}  // namespace

CallOptions::CallOptions(PythonProject& p, std::optional<int> threads)
    : parallel(p.project.parallel), records(recordsWith(p.project, parallel)) {
  if (threads) parallel.threads = *threads;
}

std::unique_ptr<PythonProject> loadPythonProject(const std::string& mdlPath, const py::handle& mask,
                                                 bool inverse, bool dropGlitches) {
  auto p = std::make_unique<PythonProject>();
  p->mdlPath = mdlPath;
  p->project.render.inverse = inverse ? 1 : 0;
  ProjectLoadFailure failure;
  bool loaded = false;
  {
    py::gil_scoped_release release;
    loaded = loadProject(p->project.records(), mdlPath, failure);
    if (loaded && dropGlitches) dropPoseGlitches(p->project.store);
  }
  if (!loaded) raiseLoadError(failure);
  p->lines = p->project.store.lineCount;
  p->samples = p->project.store.pointsPerLine;
  if (const auto band = maskArg(mask, p->project.store.pointsPerLine)) {
    p->project.mask = {band->first, band->second};
  }
  const PoseFaults& faults = p->project.store.poseFaults;
  if (faults.any()) {
    const std::string text = mdlPath + ": " + poseFaultsText(faults, dropGlitches);
    if (PyErr_WarnEx(PyExc_UserWarning, text.c_str(), 1) != 0) throw py::error_already_set();
  }
  return p;
}

ProjectLock::ProjectLock(PythonProject& p) : p_(p) {
  if (p.holder == std::this_thread::get_id()) {
    throw std::runtime_error("the project is busy with a call that this thread started");
  }
  py::gil_scoped_release release;
  p.busy.lock();
  p.holder = std::this_thread::get_id();
}

ProjectLock::~ProjectLock() {
  p_.holder = std::thread::id();
  p_.busy.unlock();
}

std::unique_ptr<ProjectLock> lockOpen(PythonProject& p) {
  auto lock = std::make_unique<ProjectLock>(p);
  if (p.closed) throw py::value_error("the project is closed");
  return lock;
}

void runStages(PythonProject& p, const std::vector<Needs>& needs, std::optional<int> threads) {
  if (computed(p.project.store, needs)) return;
  runWatched([&](const std::atomic<bool>& cancel) {
    CallOptions call(p, threads);
    call.parallel.control.cancel = &cancel;
    runNeeded(call.records, needs, cancel);
  });
}

bool computed(const ScanStore& store, const std::vector<Needs>& needs) {
  return std::all_of(needs.begin(), needs.end(), [&](Needs need) {
    if (need == Needs::Surface) return store.normalMap.has_value();
    if (need == Needs::Lines) return store.lineSegmentMask.has_value();
    if (need == Needs::Classes) return store.surfaceClassMap.has_value();
    return store.labelMap.has_value();
  });
}

std::vector<Needs> outputStages(const std::string& name) {
  const StageNeeds reads = outputNeeds(name);
  std::vector<Needs> needs;
  if (reads.surface) needs.push_back(Needs::Surface);
  if (reads.lines) needs.push_back(Needs::Lines);
  if (reads.regions) needs.push_back(Needs::Regions);
  if (reads.classes) needs.push_back(Needs::Classes);
  return needs;
}

void setSegmentParams(PythonProject& p, const SegmentParams& params) {
  ScanStore& store = p.project.store;
  const StaleResults stale = staleResults(p.project.segment, params);
  if (stale.surface && store.varianceMap) {
    p.views.release(Buffer::Variance, std::move(*store.varianceMap));
  }
  if (stale.surface && store.normalMap) {
    p.views.release(Buffer::Normals, std::move(*store.normalMap));
  }
  if (stale.regions && store.labelMap) p.views.release(Buffer::Labels, std::move(*store.labelMap));
  changeSegmentParams(p.project.records(), params);
}

void closeProject(PythonProject& p) {
  const ProjectLock lock(p);
  if (p.closed) return;
  ScanStore& store = p.project.store;
  if (store.lines) p.views.release(Buffer::Ranges, std::move(*store.lines));
  if (store.varianceMap) p.views.release(Buffer::Variance, std::move(*store.varianceMap));
  if (store.normalMap) p.views.release(Buffer::Normals, std::move(*store.normalMap));
  if (store.labelMap) p.views.release(Buffer::Labels, std::move(*store.labelMap));
  if (store.lineSegmentMask) {
    p.views.release(Buffer::LineClasses, std::move(*store.lineSegmentMask));
  }
  if (store.surfaceClassMap) {
    p.views.release(Buffer::SurfaceClasses, std::move(*store.surfaceClassMap));
  }
  freeScanStore(store);
  freeBitmapTiles(p.project.tiles);
  p.closed = true;
}

py::object selfOf(PythonProject& p) {
  return py::cast(&p, py::return_value_policy::reference);
}

}  // namespace quorvel::python
