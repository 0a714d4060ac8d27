// What every export reads: the scan store with its derived buffers, the calibration for the
// world points, and the band of samples left out. The window's commands use the process-wide
// records.
#pragma once

#include <string>

#include "features/range_image.h"
#include "scan/calib_file.h"
#include "scan/parallel_for.h"
#include "scan/scan_store.h"
#include "scan/status.h"

namespace quorvel {

struct ExportSources {
  const ScanStore& store;
  const SensorCalib& calib;
  MaskRange mask;
  int32_t firstLine = 0;       // the drive's scan line that the store's line 0 is (batch tasks)
  ParallelOptions parallel{};  // threads for the exports that reconstruct points in parallel
};

ExportSources processExportSources();  // scanStore, sensorCalib, maskRange

enum class ExportKind {
  Pt3dByNormal,
  Pt3dByClass,
  CountMap,
  RoadHeightMap,
  RoadDs,
  NonRoadDs,
  Ply,  // the class colours and every per-sample result, the region labels among them
  Las,  // the class colours, the line classes and the surface classes
};

// The window command whose result the export reads and which has not run yet for the loaded
// scan ("VarianceMap", "LineSegger" or "Segment Regions"; "classifySurfaces" for the stage that
// has no window command), or nullptr when nothing is missing. An
// export whose input is missing writes nothing and returns 0. A store without scan lines misses
// nothing.
const char* missingExportInput(const ScanStore& store, ExportKind kind);

// Fault when an input is missing (naming the command to run first) or the output path does not
// fit the 260-character path buffer; nothing may be written then.
Status checkExportStart(const ScanStore& store, ExportKind kind, const std::string& path);

// The window's 1 / 0 of an export; a failure's reason goes to failure when one is given.
int exportResult(Status status, Status* failure);

// The store holds at least one scan line.
bool hasScanLines(const ScanStore& store);

}  // namespace quorvel
