// Stores whose world points are placed by hand: scan line l holds point l at sample 0 (identity
// poses and calibration, range 1.0 along x), every other sample has no point. The
// LineSegmentMask gives each placed point its class; the other samples are class 0.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "export/export_sources.h"
#include "scan/calib_file.h"
#include "scan/geometry.h"
#include "scan/scan_store.h"

namespace quorvel::test {

struct PlacedPoint {
  Vec3 point;
  uint8_t lineClass = 8;
};

ScanStore placedPointStore(const std::vector<PlacedPoint>& points);

// A store of the given points with its identity calibration and an empty mask band.
struct PlacedScan {
  ScanStore store;
  SensorCalib calib;
  ExportSources sources() const { return {store, calib, MaskRange{}}; }
};

PlacedScan placedScan(const std::vector<PlacedPoint>& points);

// The text of a file, or "" when it does not exist.
std::string fileText(const std::string& path);

}  // namespace quorvel::test
