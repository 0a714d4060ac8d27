#include "cli/output_arguments.h"

#include <algorithm>

#include "cli/name_list.h"
#include "export/map_geotiff.h"
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

Status checkEpsgOption(std::optional<int32_t> epsg, const std::vector<std::string>& exports) {
  if (!epsg) return {};
  if (std::find(exports.begin(), exports.end(), "geotiff") == exports.end()) {
    return fault("--epsg without --export geotiff");
  }
  if (*epsg < MIN_EPSG_CODE || *epsg > MAX_EPSG_CODE) {
    return fault("bad EPSG code", std::to_string(*epsg),
                 std::to_string(MIN_EPSG_CODE) + " ... " + std::to_string(MAX_EPSG_CODE));
  }
  return {};
}

}  // namespace quorvel::cli
