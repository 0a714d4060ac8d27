#include "app/export_commands.h"

#include <string>

#include "app/commands.h"
#include "export/count_map_export.h"
#include "export/ds_export.h"
#include "export/export_sources.h"
#include "export/pt3d_export.h"
#include "export/road_height_export.h"
#include "scan/scan_store.h"

namespace quorvel {

namespace {

struct ExportCommand {
  int command;
  ExportKind kind;
  const char* title;
  ws::FileFilter filter;
  const char* defaultExtension;
  uint32_t flags;
  int (*run)(const char* path, Status* failure);
};

// The point and DS exports overwrite the chosen file: ask before replacing one.
constexpr uint32_t WRITES_CHOSEN_FILE = ws::FILE_HIDE_READ_ONLY | ws::FILE_OVERWRITE_PROMPT;
// The map exports write beside the chosen file and read it as a grid template when it exists.
constexpr uint32_t READS_CHOSEN_FILE = ws::FILE_HIDE_READ_ONLY;

const ExportCommand EXPORT_COMMANDS[] = {
    {CMD_EXPORT_PT3D_NORMAL,
     ExportKind::Pt3dByNormal,
     "Output to RGB PT3D",
     {"Pt3d File(*.pt3d)", "*.pt3d*"},
     "pt3d",
     WRITES_CHOSEN_FILE,
     ExportPt3dByNormal},
    {CMD_EXPORT_PT3D_CLASS,
     ExportKind::Pt3dByClass,
     "Output to RGB PT3D",
     {"Pt3d File(*.pt3d)", "*.pt3d*"},
     "pt3d",
     WRITES_CHOSEN_FILE,
     ExportPt3dByClass},
    {CMD_EXPORT_COUNT_MAP,
     ExportKind::CountMap,
     "Output to Map",
     {"Master File(*.master)", "*.master*"},
     "",
     READS_CHOSEN_FILE,
     ExportCountMap},
    {CMD_EXPORT_ROAD_HEIGHT,
     ExportKind::RoadHeightMap,
     "Output to Map",
     {"Master File(*.master)", "*.master*"},
     "",
     READS_CHOSEN_FILE,
     ExportRoadHeightMap},
    {CMD_EXPORT_ROAD_DS,
     ExportKind::RoadDs,
     "Output Road data to Ds File",
     {"Ds File(*.ds)", "*.ds*"},
     "",
     WRITES_CHOSEN_FILE,
     ExportRoadDs},
    {CMD_EXPORT_NONROAD_DS,
     ExportKind::NonRoadDs,
     "Output NonRoad data to Ds File",
     {"Ds File(*.ds)", "*.ds*"},
     "",
     WRITES_CHOSEN_FILE,
     ExportNonRoadDs},
};

const ExportCommand* findExportCommand(int command) {
  for (const ExportCommand& entry : EXPORT_COMMANDS) {
    if (entry.command == command) return &entry;
  }
  return nullptr;
}

}  // namespace

bool exportCommand(ws::Window window, int command) {
  const ExportCommand* entry = findExportCommand(command);
  if (!entry) return false;
  if (const char* missing = missingExportInput(scanStore, entry->kind)) {
    ws::messageBox(nullptr,
                   std::string("Run ") + missing + " first: this export reads its results.",
                   "Warning", ws::MessageButtons::Ok, ws::MessageIcon::None);
    return true;
  }
  const ws::FileDialog dialog{entry->title,
                              {entry->filter, {"All files(*.*)", "*.*"}},
                              entry->defaultExtension,
                              entry->flags};
  std::string path;
  Status failure;
  if (ws::saveFileDialog(window, dialog, path) && !entry->run(path.c_str(), &failure)) {
    ws::messageBox(nullptr, "Export failure.\n" + failure.reason,
                   failure.file.empty() ? path : failure.file, ws::MessageButtons::Ok,
                   ws::MessageIcon::None);
  }
  return true;
}

}  // namespace quorvel
