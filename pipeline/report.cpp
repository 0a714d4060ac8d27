#include "pipeline/report.h"

namespace quorvel {

void reportFailure(std::ostream& err, const std::string& text, const std::string& caption,
                   const std::string& reason) {
  err << text << ": " << caption;
  if (!reason.empty()) err << " (" << reason << ")";
  err << "\n";
}

void reportFailure(std::ostream& err, const FailureMessage& failure) {
  reportFailure(err, failure.text, failure.caption, failure.reason);
}

void warnPoseFaults(std::ostream& err, const std::string& caption, const PoseFaults& faults,
                    bool glitchesDropped) {
  if (faults.any()) {
    err << "Pose warning: " << caption << " (" << poseFaultsText(faults, glitchesDropped) << ")\n";
  }
}

bool loadProjectOrReport(const ProjectRecords& project, const std::string& mdlPath,
                         std::ostream& err, std::optional<LineWindow> lines) {
  ProjectLoadFailure failure;
  if (!loadProject(project, mdlPath, failure, lines)) {
    reportFailure(err, failure.text, failure.caption, failure.reason);
    return false;
  }
  return true;
}

}  // namespace quorvel
