#include "cli/output_arguments.h"

#include <algorithm>
#include <charconv>

#include "cli/name_list.h"
#include "export/epsg_crs.h"
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

Status checkEpsgOption(std::optional<int32_t> epsg, const std::vector<std::string>& exports,
                       EpsgUse use) {
  if (!epsg) return {};
  const auto exported = [&](const char* name) {
    return std::find(exports.begin(), exports.end(), name) != exports.end();
  };
  const bool placed = use == EpsgUse::Batch ? exported("geotiff") || exported("count-map") ||
                                                  exported("road-height") || exported("las")
                                            : exported("geotiff");
  if (!placed) {
    return fault(use == EpsgUse::Batch ? "--epsg without a mosaic, a point cloud or GeoTIFFs"
                                       : "--epsg without --export geotiff");
  }
  return checkProjectedEpsg(*epsg);
}

}  // namespace quorvel::cli
