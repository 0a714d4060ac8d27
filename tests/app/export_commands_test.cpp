#include "app/export_commands.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/commands.h"
#include "scan/file_system.h"
#include "tests/app/shell_session.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using ExportCommands = test::ShellSession;

TEST_F(ExportCommands, ClassColoursNeedBothStages) {
  loadThroughDialog(writeProject(20));
  onCommand(window, CMD_LINE_SEGGER);
  fake::clearCalls();
  onCommand(window, CMD_EXPORT_PT3D_CLASS);  // has the line classes, lacks the normals
  EXPECT_EQ(fake::callsNamed("messageBox").size(), 1u);
  onCommand(window, CMD_VARIANCE_MAP);
  fake::clearCalls();
  fake::queueFileDialog(std::nullopt);
  onCommand(window, CMD_EXPORT_PT3D_CLASS);
  EXPECT_TRUE(fake::callsNamed("messageBox").empty());
  EXPECT_EQ(fake::callsNamed("saveFileDialog").size(), 1u);
}

TEST_F(ExportCommands, MissingStageShowsAWarningAndNoDialog) {
  loadThroughDialog(writeProject(20));
  fake::clearCalls();
  onCommand(window, CMD_EXPORT_PT3D_NORMAL);
  onCommand(window, CMD_EXPORT_ROAD_DS);
  EXPECT_EQ(fake::calls(),
            (std::vector<std::string>{
                "messageBox(none, \"Run VarianceMap first: this export reads its results.\", "
                "\"Warning\", Ok, NoIcon)",
                "messageBox(none, \"Run LineSegger first: this export reads its results.\", "
                "\"Warning\", Ok, NoIcon)"}));
}

// After VarianceMap and LineSegger every export asks for a file with its own dialog and writes
// what it writes; the files it replaces are confirmed first, the map template is not.
TEST_F(ExportCommands, SaveDialogsThenTheExports) {
  loadThroughDialog(writeProject(20));
  onCommand(window, CMD_VARIANCE_MAP);
  onCommand(window, CMD_LINE_SEGGER);
  fake::clearCalls();
  const std::pair<int, const char*> exports[] = {
      {CMD_EXPORT_PT3D_NORMAL, "normal.pt3d"}, {CMD_EXPORT_PT3D_CLASS, "class.pt3d"},
      {CMD_EXPORT_COUNT_MAP, "map.master"},    {CMD_EXPORT_ROAD_HEIGHT, "map.master"},
      {CMD_EXPORT_ROAD_DS, "road.ds"},         {CMD_EXPORT_NONROAD_DS, "nonroad.ds"}};
  for (const auto& [command, name] : exports) {
    fake::queueFileDialog(dir + "/" + name);
    onCommand(window, command);
  }
  EXPECT_EQ(fake::callsNamed("saveFileDialog"),
            (std::vector<std::string>{
                "saveFileDialog(main, \"Output to RGB PT3D\", [\"Pt3d File(*.pt3d)\" "
                "\"*.pt3d*\";\"All files(*.*)\" \"*.*\";], ext=\"pt3d\", flags=6)",
                "saveFileDialog(main, \"Output to RGB PT3D\", [\"Pt3d File(*.pt3d)\" "
                "\"*.pt3d*\";\"All files(*.*)\" \"*.*\";], ext=\"pt3d\", flags=6)",
                "saveFileDialog(main, \"Output to Map\", [\"Master File(*.master)\" "
                "\"*.master*\";\"All files(*.*)\" \"*.*\";], ext=\"\", flags=4)",
                "saveFileDialog(main, \"Output to Map\", [\"Master File(*.master)\" "
                "\"*.master*\";\"All files(*.*)\" \"*.*\";], ext=\"\", flags=4)",
                "saveFileDialog(main, \"Output Road data to Ds File\", [\"Ds File(*.ds)\" "
                "\"*.ds*\";\"All files(*.*)\" \"*.*\";], ext=\"\", flags=6)",
                "saveFileDialog(main, \"Output NonRoad data to Ds File\", [\"Ds File(*.ds)\" "
                "\"*.ds*\";\"All files(*.*)\" \"*.*\";], ext=\"\", flags=6)"}));
  // The flat test scan has no road height range: the window says so instead of ending silently.
  EXPECT_EQ(fake::callsNamed("messageBox"),
            (std::vector<std::string>{
                "messageBox(none, \"Export failure.\nno road height range; expected road "
                "samples of more than one height; every second line and column\", \"" +
                dir + "/map.master\", Ok, NoIcon)"}));
  for (const char* name :
       {"normal.pt3d", "class.pt3d", "map-h.master", "map-h.raw", "road.ds", "nonroad.ds"}) {
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + name)) << name;
  }
  EXPECT_EQ(std::filesystem::file_size(dir + "/normal.pt3d"), 20u * 181 * 32);
}

std::string failToSync(FileHandle) {
  return std::strerror(EIO);
}

// A write that fails shows its reason, captioned with the file, and the previous file stays.
TEST_F(ExportCommands, AFailedWriteShowsTheReasonAndKeepsThePreviousFile) {
  loadThroughDialog(writeProject(20));
  onCommand(window, CMD_VARIANCE_MAP);
  test::writeFile(dir + "/normal.pt3d", "previous");
  fake::clearCalls();
  fake::queueFileDialog(dir + "/normal.pt3d");
  fileSystemCalls().sync = failToSync;
  onCommand(window, CMD_EXPORT_PT3D_NORMAL);
  fileSystemCalls() = osFileSystemCalls();
  EXPECT_EQ(
      fake::callsNamed("messageBox"),
      (std::vector<std::string>{"messageBox(none, \"Export failure.\nInput/output error\", \"" +
                                dir + "/normal.pt3d\", Ok, NoIcon)"}));
  EXPECT_EQ(test::readFile(dir + "/normal.pt3d"), test::bytesOf("previous"));
}

TEST_F(ExportCommands, CancelWritesNothing) {
  loadThroughDialog(writeProject(20));
  onCommand(window, CMD_VARIANCE_MAP);
  fake::clearCalls();
  fake::queueFileDialog(std::nullopt);
  onCommand(window, CMD_EXPORT_PT3D_NORMAL);
  EXPECT_EQ(fake::calls().size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir + "/normal.pt3d"));
}

}  // namespace
}  // namespace quorvel
