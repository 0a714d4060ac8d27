// One loaded project as one object: its files, the scan with every result derived from it, its
// parameters and its current picture. The stages below work on any project's records; the window
// programs and `quorvel run` use the process-wide records, the Python module and the tests own as
// many projects as they like, each with its own results.
#pragma once

#include <optional>
#include <string>

#include "features/range_image.h"
#include "features/segment_params.h"
#include "render/bitmap_tile_store.h"
#include "scan/calib_file.h"
#include "scan/ds_file.h"
#include "scan/parallel_for.h"
#include "scan/project_file.h"
#include "scan/project_load.h"
#include "scan/scan_store.h"

namespace quorvel {

// The records of one project, wherever they live.
struct ProjectRecords {
  ProjectPaths& paths;
  SensorCalib& calib;
  ScanStore& store;
  SegmentParams& segment;
  RenderParams& render;
  MaskRange& mask;
  ParallelOptions& parallel;
  BitmapTileStore& tiles;
};

ProjectRecords processRecords();  // scanStore, sensorCalib, segmentParams, ...

// A project that owns its records, with the parameters' defaults; it releases its scan and
// picture when it ends.
struct Project {
  ProjectPaths paths;
  SensorCalib calib;
  ScanStore store;
  SegmentParams segment;
  RenderParams render;
  MaskRange mask;
  ParallelOptions parallel;
  BitmapTileStore tiles;

  Project();
  ~Project();
  Project(const Project&) = delete;
  Project& operator=(const Project&) = delete;

  ProjectRecords records();
};

// Loads the MDL file's project (of the DS file only the window's lines when one is given), all
// or nothing; on failure the records are unchanged and failure says why, in the window's words.
bool loadProject(const ProjectRecords& project, const std::string& mdlPath,
                 ProjectLoadFailure& failure, std::optional<LineWindow> lines = std::nullopt);

// The stages, 1 when their results exist afterwards (each computes only what is missing); 0
// also when project.parallel.control stops them, leaving no result (scan/stage_control.h).
int runSurfaceEstimation(const ProjectRecords& project);      // VarianceMap and NormalMap
int runLineSegmentation(const ProjectRecords& project);       // LineSegmentMask and the lists
int runRegionSegmentation(const ProjectRecords& project);     // LabelMap and SegmentTable
int runSurfaceClassification(const ProjectRecords& project);  // surface classes, kerb feet

// Which results a change of the segmentation parameters makes stale: the surface estimation
// (winHalfSize, maxPointDist, maxFitResidual) and the region segmentation (those, minRegionSize,
// varianceTol).
struct StaleResults {
  bool surface = false;  // VarianceMap, NormalMap
  bool regions = false;  // LabelMap, SegmentTable
};
StaleResults staleResults(const SegmentParams& current, const SegmentParams& next);

// Sets the segmentation parameters and releases the results they make stale.
void changeSegmentParams(const ProjectRecords& project, const SegmentParams& params);

}  // namespace quorvel
