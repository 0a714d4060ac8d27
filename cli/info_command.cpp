#include "cli/info_command.h"

#include <cstdio>

#include "pipeline/report.h"
#include "scan/point_box.h"
#include "scan/point_reconstruction.h"

namespace quorvel::cli {

namespace {

std::string format(const char* pattern, double a, double b, double c) {
  char text[160];
  std::snprintf(text, sizeof text, pattern, a, b, c);
  return text;
}

// The pose faults, one line each, only those present.
void printPoseFaults(const PoseFaults& faults, std::ostream& out) {
  if (!faults.nonFinite.empty()) {
    out << "Non-finite poses:        " << linesText(linesInRuns(faults.nonFinite))
        << " without points: " << runsText(faults.nonFinite) << "\n";
  }
  if (!faults.glitches.empty()) {
    out << "Pose glitches:           " << linesText(linesInRuns(faults.glitches))
        << " (--drop-pose-glitches leaves them out): " << runsText(faults.glitches) << "\n";
  }
  if (faults.cutRecord) {
    out << "Cut last record:         " << cutRecordText(*faults.cutRecord) << "\n";
  }
}

}  // namespace

int runInfo(const std::string& mdlPath, std::ostream& out, std::ostream& err) {
  if (!loadProjectOrReport(processRecords(), mdlPath, err)) return EXIT_FAILURE_REPORTED;
  const ScanStore& store = scanStore;
  const Mat3& r = sensorCalib.rotation;
  const Vec3& t = sensorCalib.translation;
  out << "Project:                 " << mdlPath << "\n"
      << "Directory:               " << projectPaths.directory << "\n"
      << "Calibration file:        " << projectPaths.calibName << "\n"
      << "DS file:                 " << projectPaths.dsName << "\n"
      << "Field of view:           " << store.fieldOfView << " degrees\n"
      << "Angular resolution:      " << store.angularResolution << " degrees\n"
      << "Range unit:              " << store.rangeUnit << " raw per length unit\n"
      << "Points per line:         " << store.pointsPerLine << "\n"
      << "Record size:             " << store.recordSize << " bytes\n"
      << "Scan lines:              " << store.lineCount << "\n";
  printPoseFaults(store.poseFaults, out);
  out << "Calibration rotation:    " << format("%12.9f %12.9f %12.9f", r[0], r[1], r[2]) << "\n"
      << "                         " << format("%12.9f %12.9f %12.9f", r[3], r[4], r[5]) << "\n"
      << "                         " << format("%12.9f %12.9f %12.9f", r[6], r[7], r[8]) << "\n"
      << "Calibration translation: " << format("%.6f %.6f %.6f", t[0], t[1], t[2]) << "\n";
  const PointBox box = validPointBox(store, sensorCalib);
  out << "Valid samples:           " << box.valid << " of "
      << static_cast<long long>(store.lineCount) * store.pointsPerLine << "\n";
  if (box.valid > 0) {
    out << "World bounding box min:  "
        << format("%.3f %.3f %.3f", box.min[0], box.min[1], box.min[2]) << "\n"
        << "World bounding box max:  "
        << format("%.3f %.3f %.3f", box.max[0], box.max[1], box.max[2]) << "\n";
  }
  return EXIT_OK;
}

}  // namespace quorvel::cli
