#include "tests/app/shell_session.h"

#include "app/commands.h"
#include "features/range_image.h"
#include "render/bitmap_tile_store.h"
#include "scan/calib_file.h"
#include "scan/project_file.h"
#include "tests/support/test_files.h"

namespace quorvel::test {

void ShellSession::SetUp() {
  fake::reset();
  onCreate();
  viewState = ViewState{};
  maskRange = MaskRange{};
  projectPaths = ProjectPaths{};
  sensorCalib = SensorCalib{};
  fake::setSizeHandler([this] { onSize(window); });
  dir = freshTestDir();
}

void ShellSession::TearDown() {
  onDestroy();
  fake::reset();
}

std::string ShellSession::writeProject(int lines) {
  DsRecord record;
  record.range.assign(181, 1000);
  writeFile(dir + "/scan.ds", dsFileBytes(1.0f, 180.0f, 100, std::vector<DsRecord>(lines, record)));
  writeFile(dir + "/van.cal", "rot 0 0 0\n");
  writeFile(dir + "/run.mdl", "DIR ./\nDS scan.ds\nCALIB van.cal\n");
  return dir + "/run.mdl";
}

void ShellSession::loadThroughDialog(const std::string& mdlPath) {
  fake::queueFileDialog(mdlPath);
  onCommand(window, CMD_LOAD_MDL);
}

}  // namespace quorvel::test
