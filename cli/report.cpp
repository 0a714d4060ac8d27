#include "cli/report.h"

namespace quorvel::cli {

void reportFailure(std::ostream& err, const std::string& text, const std::string& caption,
                   const std::string& reason) {
  err << text << ": " << caption;
  if (!reason.empty()) err << " (" << reason << ")";
  err << "\n";
}

bool loadProjectOrReport(const std::string& mdlPath, std::ostream& err) {
  ProjectLoad load;
  ProjectLoadFailure failure;
  if (!readProject(mdlPath, projectPaths, sensorCalib, load, failure)) {
    reportFailure(err, failure.text, failure.caption, failure.reason);
    return false;
  }
  installProject(std::move(load), projectPaths, sensorCalib, scanStore);
  return true;
}

}  // namespace quorvel::cli
