#include "cli/query_command.h"

#include "features/segment_params.h"
#include "pipeline/report.h"
#include "scan/query_info_text.h"
#include "scan/segment_lookup.h"
#include "segment/segment_labels.h"

namespace quorvel::cli {

namespace {

std::string sampleName(int64_t line, int64_t sample) {
  return "scan line " + std::to_string(line) + ", sample " + std::to_string(sample);
}

// Why the lookup found no segment.
std::string noSegmentReason(const ScanStore& store, int64_t line, int64_t sample) {
  if (!store.labelMap) return "no region segmentation: the surface estimation failed";
  if (line < 0 || line >= store.lineCount || sample < 0 || sample >= store.pointsPerLine) {
    return fault("sample outside the grid", sampleName(line, sample),
                 "scan lines 0 to " + std::to_string(store.lineCount - 1) + ", samples 0 to " +
                     std::to_string(store.pointsPerLine - 1))
        .reason;
  }
  const uint16_t label = (*store.labelMap)[static_cast<size_t>(sample * store.lineCount + line)];
  return fault(label == UNASSIGNED ? "sample left unassigned at the segment limit"
                                   : "sample in no segment",
               sampleName(line, sample) + ", label " + std::to_string(label))
      .reason;
}

}  // namespace

int runQuery(const std::string& mdlPath, int64_t line, int64_t sample, std::ostream& out,
             std::ostream& err) {
  const ProjectRecords project = processRecords();
  if (!loadProjectOrReport(project, mdlPath, err)) return EXIT_FAILURE_REPORTED;
  // Command 134 ends silently when the surface estimation fails; the lookup then finds nothing.
  resetSegmentParams(project.segment);
  if (runSurfaceEstimation(project)) runRegionSegmentation(project);
  const SegmentRecord* segment = segmentOfSample(project.store, line, sample);
  if (!segment) {
    reportFailure(err, "Unknown segment info", "Warning",
                  noSegmentReason(project.store, line, sample));
    return EXIT_FAILURE_REPORTED;
  }
  for (const QueryInfoField& field : queryInfoFields(*segment)) {
    out << field.name << ": " << field.text << "\n";
  }
  return EXIT_OK;
}

}  // namespace quorvel::cli
