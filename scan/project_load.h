// Loading a whole project: the MDL file, then its calibration file, then its DS file, each
// into a temporary. Only when every step succeeded do the paths, the calibration and the scan
// replace the loaded project, so a failed load leaves everything exactly as it was.
#pragma once

#include <optional>
#include <string>

#include "scan/calib_file.h"
#include "scan/ds_file.h"
#include "scan/project_file.h"
#include "scan/scan_store.h"

namespace quorvel {

// Why a project load failed, in the window's words: its message text and caption, and the
// reason the command line adds.
struct ProjectLoadFailure {
  std::string text;     // "Load MDL file failure." and its siblings
  std::string caption;  // the path that failed
  std::string reason;
};

struct ProjectLoad {
  ProjectPaths paths;
  SensorCalib calib;
  DsContents ds;
  std::string calibPath;  // where the calibration and DS files were read
  std::string dsPath;
};

// Reads the three files, starting from the current paths and calibration (keywords a file
// does not mention keep their values); of the DS file only the given lines when a window is
// given. Returns false and fills failure when a step fails.
bool readProject(const std::string& mdlPath, const ProjectPaths& currentPaths,
                 const SensorCalib& currentCalib, ProjectLoad& load, ProjectLoadFailure& failure,
                 std::optional<LineWindow> lines = std::nullopt);

// Makes a read project the loaded one; the previous scan and its derived buffers are released.
void installProject(ProjectLoad&& load, ProjectPaths& paths, SensorCalib& calib, ScanStore& store);

}  // namespace quorvel
