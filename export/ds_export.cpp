#include "export/ds_export.h"

#include <cstring>

#include "scan/ds_file.h"
#include "scan/output_file.h"

namespace quorvel {

std::vector<unsigned char> selectedRecord(const ExportSources& sources, int32_t l,
                                          RoadSelection selection) {
  const ScanStore& store = sources.store;
  const ScanLine& line = (*store.lines)[static_cast<size_t>(l)];
  std::vector<unsigned char> record(static_cast<size_t>(store.recordSize));
  std::memcpy(record.data(), &line, record.size());
  for (int32_t s = 0; s < store.pointsPerLine; ++s) {
    const uint8_t lineClass = (*store.lineSegmentMask)[lineMajorIndex(store, l, s)];
    if (!inMaskBand(sources.mask, s) && isSelected(selection, lineClass)) continue;
    const size_t offset = DS_RECORD_FIXED_SIZE + 2 * static_cast<size_t>(s);
    std::memset(record.data() + offset, 0, 2);
  }
  return record;
}

Status exportSelectedDs(const ExportSources& sources, const std::string& path,
                        RoadSelection selection) {
  const ScanStore& store = sources.store;
  const ExportKind kind =
      selection == RoadSelection::Road ? ExportKind::RoadDs : ExportKind::NonRoadDs;
  if (Status status = checkExportStart(store, kind, path); !status.ok()) return status;
  OutputFile file(path);
  if (!file.ok()) return file.status();
  std::vector<unsigned char> header;
  appendDsHeader({store.fieldOfView, store.angularResolution, store.rangeUnit}, header);
  file.write(header);
  const int32_t lines = hasScanLines(store) ? store.lineCount : 0;
  for (int32_t l = 0; l < lines; ++l) file.write(selectedRecord(sources, l, selection));
  return file.commit();
}

int ExportRoadDs(const char* path, Status* failure) {
  return exportResult(exportSelectedDs(processExportSources(), path, RoadSelection::Road), failure);
}

int ExportNonRoadDs(const char* path, Status* failure) {
  return exportResult(exportSelectedDs(processExportSources(), path, RoadSelection::NonRoad),
                      failure);
}

}  // namespace quorvel
