#include "cli/output_arguments.h"

#include <algorithm>
#include <charconv>

#include "cli/name_list.h"
#include "export/map_geotiff.h"
#include "pipeline/named_outputs.h"

namespace quorvel::cli {

namespace {

const std::vector<std::string> MENU_EXPORTS = {"pt3d-normal", "pt3d-class", "count-map",
                                               "road-height", "road-ds",    "nonroad-ds"};

bool parseInt(std::string_view text, int32_t& value) {
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  return result.ec == std::errc() && result.ptr == text.data() + text.size() && !text.empty();
}

}  // namespace

Status parseImageList(const std::string& list, std::vector<std::string>& images) {
  return parseNameList(list, outputNames(OutputKind::Picture), "unknown picture", images);
}

Status parseExportList(const std::string& list, std::vector<std::string>& exports) {
  if (list == "all") {
    exports = MENU_EXPORTS;
    return {};
  }
  return parseNameList(list, outputNames(OutputKind::Export), "unknown export", exports);
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
