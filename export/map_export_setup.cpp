#include "export/map_export_setup.h"

#include <optional>

#include "export/point_bounds.h"
#include "scan/project_file.h"  // for PATH_BUFFER_SIZE

namespace quorvel {

Status prepareMapExport(const ExportSources& sources, ExportKind kind,
                        const std::string& chosenPath, const std::string& templatePath,
                        MapExportSetup& setup) {
  if (Status status = checkExportStart(sources.store, kind, chosenPath); !status.ok()) {
    return status;
  }
  if (!pointBounds(sources, setup.max, setup.min)) return fault("no scan lines loaded");
  if (!templatePath.empty()) {
    if (Status status = readMapTemplateIfPresent(templatePath, setup.params); !status.ok()) {
      return status;
    }
  }
  const std::optional<MapFileNames> names =
      mapFileNames(chosenPath, kind == ExportKind::CountMap ? "-h" : "-r");
  if (!names) {
    return fault("map file name too long", chosenPath,
                 "at most " + std::to_string(PATH_BUFFER_SIZE - 1) + " characters");
  }
  setup.names = *names;
  if (Status status = fitMapGrid(setup.max, setup.min, setup.params); !status.ok()) {
    return status;
  }
  return planStrips(setup.params.width, setup.params.length, setup.plan);
}

}  // namespace quorvel
