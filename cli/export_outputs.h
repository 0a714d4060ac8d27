// The exports of `quorvel run --export`: their names, the stages they need, and the files they
// write into the output folder.
#pragma once

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "scan/status.h"

namespace quorvel::cli {

// Checks and normalises the export list ("all" or names from pt3d-normal, pt3d-class,
// count-map, road-height, road-ds, nonroad-ds); a fault names the unknown entry.
Status parseExportList(const std::string& list, std::vector<std::string>& exports);

bool exportNeedsSurface(const std::vector<std::string>& exports);       // createVarianceMap
bool exportNeedsSegmentation(const std::vector<std::string>& exports);  // LineSegger

// Runs one export on the process-wide records into DIR (the map exports as if DIR/map.master
// were chosen, reading the template instead when one is given). Prints "Wrote PATH" per file;
// on failure prints "Export NAME failure.: DIR (REASON)" on err and returns false.
bool writeExport(const std::string& name, const std::string& outDir,
                 const std::optional<std::string>& mapTemplate, std::ostream& out,
                 std::ostream& err);

}  // namespace quorvel::cli
