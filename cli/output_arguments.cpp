#include "cli/output_arguments.h"

#include <algorithm>

#include "cli/name_list.h"
#include "export/epsg_crs.h"
#include "pipeline/named_outputs.h"
#include "scan/text_lines.h"

namespace quorvel::cli {

namespace {

bool parseInt(std::string_view text, int32_t& value) {
  return parseInteger(text, value) == IntegerText::Ok;
}

}  // namespace

Status parseImageList(const std::string& list, std::vector<std::string>& images) {
  return parseNameList(list, outputNames(OutputKind::Picture), allOutputNames(OutputKind::Picture),
                       "unknown picture", images);
}

Status parseExportList(const std::string& list, std::vector<std::string>& exports) {
  return parseNameList(list, outputNames(OutputKind::Export), allOutputNames(OutputKind::Export),
                       "unknown export", exports);
}

Status parseMaskRange(const std::string& text, MaskRange& mask) {
  const size_t colon = text.find(':');
  MaskRange parsed;
  if (colon == std::string::npos ||
      !parseInt(std::string_view(text).substr(0, colon), parsed.stno) ||
      !parseInt(std::string_view(text).substr(colon + 1), parsed.edno)) {
    return fault("bad mask range", "'" + text + "'", "STNO:EDNO with two integers");
  }
  mask = parsed;
  return {};
}

Status checkEpsgOption(std::optional<int32_t> epsg, const std::vector<std::string>& exports,
                       EpsgUse use) {
  if (!epsg) return {};
  // The outputs placed by the code: a run's GeoTIFFs and kerb lines, and a batch's mosaics (from
  // count-map, road-height or geotiff) and point cloud (from las).
  std::vector<std::string> placed = {"geotiff", "kerbs"};
  if (use == EpsgUse::Batch) placed.insert(placed.end(), {"count-map", "road-height", "las"});
  if (std::find_first_of(exports.begin(), exports.end(), placed.begin(), placed.end()) ==
      exports.end()) {
    return fault("--epsg without an output it places", "",
                 use == EpsgUse::Batch
                     ? "--export with geotiff, kerbs, count-map, road-height or las"
                     : "--export with geotiff or kerbs");
  }
  return checkProjectedEpsg(*epsg);
}

}  // namespace quorvel::cli
