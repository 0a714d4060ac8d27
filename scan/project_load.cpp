#include "scan/project_load.h"

namespace quorvel {

namespace {

bool fail(ProjectLoadFailure& failure, const char* text, const std::string& caption,
          const Status& status) {
  failure = {text, caption, status.reason};
  return false;
}

// Joins directory and name as the project does and finds the file on disk.
// The resolved path is set even when the joined one is too long, to name it in the message.
Status projectFilePath(const std::string& mdlPath, const ProjectPaths& paths,
                       const std::string& name, std::string& resolved) {
  std::string joined;
  Status status = joinProjectPath(paths.directory, name, joined);
  resolved = resolveProjectPath(mdlPath, paths.directory + name);
  return status;
}

}  // namespace

bool readProject(const std::string& mdlPath, const ProjectPaths& currentPaths,
                 const SensorCalib& currentCalib, ProjectLoad& load, ProjectLoadFailure& failure,
                 std::optional<LineWindow> lines) {
  load.paths = currentPaths;
  Status status = readMdlFile(mdlPath, load.paths);
  if (!status.ok()) return fail(failure, "Load MDL file failure.", mdlPath, status);

  status = projectFilePath(mdlPath, load.paths, load.paths.calibName, load.calibPath);
  if (status.ok()) {
    load.calib = currentCalib;
    status = readCalibFile(load.calibPath, load.calib);
  }
  if (!status.ok()) return fail(failure, "Load Calib file failure.", load.calibPath, status);

  status = projectFilePath(mdlPath, load.paths, load.paths.dsName, load.dsPath);
  if (status.ok()) {
    status = lines ? readDsLineWindow(load.dsPath, *lines, load.ds)
                   : readDsContents(load.dsPath, load.ds);
  }
  if (!status.ok()) return fail(failure, "Load Ds file failure.", load.dsPath, status);
  return true;
}

void installProject(ProjectLoad&& load, ProjectPaths& paths, SensorCalib& calib, ScanStore& store) {
  paths = std::move(load.paths);
  calib = load.calib;
  installDsContents(store, std::move(load.ds));
}

}  // namespace quorvel
