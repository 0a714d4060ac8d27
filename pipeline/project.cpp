#include "pipeline/project.h"

#include "features/variance_map.h"
#include "segment/line_segger.h"
#include "segment/region_segmentation.h"
#include "segment/surface_classification.h"

namespace quorvel {

ProjectRecords processRecords() {
  return {projectPaths, sensorCalib, scanStore,       segmentParams,
          renderParams, maskRange,   parallelOptions, bitmapTileStore};
}

Project::Project() {
  initScanStore(store);
  initRenderState(tiles, render);
  resetSegmentParams(segment);
}

Project::~Project() {
  freeScanStore(store);
  freeBitmapTiles(tiles);
}

ProjectRecords Project::records() {
  return {paths, calib, store, segment, render, mask, parallel, tiles};
}

bool loadProject(const ProjectRecords& project, const std::string& mdlPath,
                 ProjectLoadFailure& failure, std::optional<LineWindow> lines) {
  ProjectLoad load;
  if (!readProject(mdlPath, project.paths, project.calib, load, failure, lines)) return false;
  installProject(std::move(load), project.paths, project.calib, project.store);
  return true;
}

int runSurfaceEstimation(const ProjectRecords& project) {
  return computeVarianceMap(project.store, project.calib, project.segment, project.parallel);
}

int runLineSegmentation(const ProjectRecords& project) {
  return segmentLines(project.store, project.calib, project.parallel);
}

int runRegionSegmentation(const ProjectRecords& project) {
  return segmentRegions(project.store, project.calib, project.segment, project.parallel.control);
}

int runSurfaceClassification(const ProjectRecords& project) {
  return classifySurfaces(project.store, project.calib, project.parallel);
}

StaleResults staleResults(const SegmentParams& current, const SegmentParams& next) {
  StaleResults stale;
  stale.surface = next.winHalfSize != current.winHalfSize ||
                  next.maxPointDist != current.maxPointDist ||
                  next.maxFitResidual != current.maxFitResidual;
  stale.regions = stale.surface || next.minRegionSize != current.minRegionSize ||
                  next.varianceTol != current.varianceTol;
  return stale;
}

void changeSegmentParams(const ProjectRecords& project, const SegmentParams& params) {
  const StaleResults stale = staleResults(project.segment, params);
  if (stale.surface) {
    project.store.varianceMap.reset();
    project.store.normalMap.reset();
  }
  if (stale.regions) {
    project.store.labelMap.reset();
    project.store.segmentTable.reset();
  }
  project.segment = params;
}

}  // namespace quorvel
