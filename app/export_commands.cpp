#include "app/export_commands.h"

#include <filesystem>
#include <string>

#include "app/commands.h"
#include "app/view_state.h"
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
  const char* fileName;  // the command line's file of this export, which the dialog proposes
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
     "normal.pt3d",
     ExportKind::Pt3dByNormal,
     "Output to RGB PT3D",
     {"Pt3d File(*.pt3d)", "*.pt3d*"},
     "pt3d",
     WRITES_CHOSEN_FILE,
     ExportPt3dByNormal},
    {CMD_EXPORT_PT3D_CLASS,
     "class.pt3d",
     ExportKind::Pt3dByClass,
     "Output to RGB PT3D",
     {"Pt3d File(*.pt3d)", "*.pt3d*"},
     "pt3d",
     WRITES_CHOSEN_FILE,
     ExportPt3dByClass},
    {CMD_EXPORT_COUNT_MAP,
     "map.master",
     ExportKind::CountMap,
     "Output to Map",
     {"Master File(*.master)", "*.master*"},
     "",
     READS_CHOSEN_FILE,
     ExportCountMap},
    {CMD_EXPORT_ROAD_HEIGHT,
     "map.master",
     ExportKind::RoadHeightMap,
     "Output to Map",
     {"Master File(*.master)", "*.master*"},
     "",
     READS_CHOSEN_FILE,
     ExportRoadHeightMap},
    {CMD_EXPORT_ROAD_DS,
     "road.ds",
     ExportKind::RoadDs,
     "Output Road data to Ds File",
     {"Ds File(*.ds)", "*.ds*"},
     "",
     WRITES_CHOSEN_FILE,
     ExportRoadDs},
    {CMD_EXPORT_NONROAD_DS,
     "nonroad.ds",
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

// The dialog opens in the project's folder and proposes the project's name followed by the file
// name of the command line's output ("sim-normal.pt3d", "sim-map.master").
void placeInProjectFolder(const ExportCommand& entry, ws::FileDialog& dialog) {
  if (viewState.project.empty()) return;
  const std::filesystem::path project(viewState.project);
  dialog.folder = project.parent_path().string();
  dialog.proposedName = project.stem().string() + "-" + entry.fileName;
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
  ws::FileDialog dialog{entry->title,
                        {entry->filter, {"All files(*.*)", "*.*"}},
                        entry->defaultExtension,
                        entry->flags,
                        "",
                        ""};
  placeInProjectFolder(*entry, dialog);
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
