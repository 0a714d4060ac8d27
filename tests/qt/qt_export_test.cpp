// The export commands of the Linux desktop program through the real save dialog: the files are
// those of `quorvel run --export all`, the point and DS exports ask before replacing a file, a
// failed write shows its reason, and an export whose input is missing names the command to run
// first.
#include <QAbstractButton>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "app/commands.h"
#include "scan/file_system.h"
#include "tests/qt/qt_test_driver.h"
#include "tests/support/test_files.h"

namespace quorvel::qt_test {
namespace {

class QtExports : public QtWindowTest {
 protected:
  void SetUp() override {
    QtWindowTest::SetUp();
    mdl = writeSimulatedStreet(dir + "/project", 160);
    std::filesystem::create_directories(dir + "/gui");
  }

  // Load Mdl, then the stages every export reads.
  void loadAndSegment() {
    loadProject(mdl);
    window->runCommand(CMD_VARIANCE_MAP);
    window->runCommand(CMD_LINE_SEGGER);
  }

  std::string mdl;
};

struct ExportCase {
  int command;
  const char* chosen;                // the name typed into the save dialog
  std::vector<const char*> written;  // the files it writes, named as the command line does
};

TEST_F(QtExports, WriteTheSameFilesAsTheCommandLine) {
  ASSERT_EQ(runCommandLine("run " + mdl + " --export all --out " + dir + "/cli", dir), 0);
  loadAndSegment();
  const ExportCase exports[] = {
      {CMD_EXPORT_PT3D_NORMAL, "normal", {"normal.pt3d"}},  // the default extension is added
      {CMD_EXPORT_PT3D_CLASS, "class.pt3d", {"class.pt3d"}},
      {CMD_EXPORT_COUNT_MAP, "map.master", {"map-h.master", "map-h.raw"}},
      {CMD_EXPORT_ROAD_HEIGHT, "map.master", {"map-r.master", "map-r.raw"}},
      {CMD_EXPORT_ROAD_DS, "road.ds", {"road.ds"}},
      {CMD_EXPORT_NONROAD_DS, "nonroad.ds", {"nonroad.ds"}},
  };
  for (const ExportCase& entry : exports) {
    chooseFile(dir + "/gui/" + entry.chosen);
    window->runCommand(entry.command);
    for (const char* name : entry.written) {
      const std::vector<unsigned char> shown = test::readFile(dir + "/gui/" + name);
      EXPECT_FALSE(shown.empty()) << name;
      EXPECT_TRUE(shown == test::readFile(dir + "/cli/" + name)) << name;
    }
  }
}

TEST_F(QtExports, PointAndDsExportsAskBeforeReplacingAFile) {
  loadAndSegment();
  const std::pair<int, const char*> cases[] = {{CMD_EXPORT_PT3D_NORMAL, "normal.pt3d"},
                                               {CMD_EXPORT_ROAD_DS, "road.ds"}};
  for (const auto& [command, name] : cases) {
    const std::string existing = dir + "/gui/" + name;
    test::writeFile(existing, "old");
    MessageSeen seen;
    chooseFile(existing);
    whenModal<QMessageBox>([&](QMessageBox* question) {
      seen.text = question->text().toStdString();
      question->button(QMessageBox::No)->click();
      cancelFileDialog();  // No keeps the save dialog open
    });
    window->runCommand(command);
    EXPECT_EQ(seen.text, std::string(name) + " already exists.\nDo you want to replace it?");
    EXPECT_EQ(test::readFile(existing), test::bytesOf("old")) << command;
    chooseFile(existing);
    answerMessage(QMessageBox::Yes, &seen);
    window->runCommand(command);
    EXPECT_GT(test::readFile(existing).size(), 3u) << command;
  }
}

std::string failToSync(FileHandle) {
  return std::strerror(EIO);
}

// A write that fails at its end shows the reason in a message box; the replaced file stays.
TEST_F(QtExports, AFailedWriteShowsItsReasonAndKeepsThePreviousFile) {
  loadAndSegment();
  const std::string existing = dir + "/gui/road.ds";
  test::writeFile(existing, "old");
  chooseFile(existing);
  MessageSeen replaceQuestion, seen;
  answerMessage(QMessageBox::Yes, &replaceQuestion);
  answerMessage(QMessageBox::Ok, &seen);
  fileSystemCalls().sync = failToSync;
  window->runCommand(CMD_EXPORT_ROAD_DS);
  fileSystemCalls() = osFileSystemCalls();
  EXPECT_EQ(seen.text, "Export failure.\nInput/output error");
  EXPECT_EQ(seen.title, existing);
  EXPECT_EQ(test::readFile(existing), test::bytesOf("old"));
}

TEST_F(QtExports, NameTheCommandToRunFirstInsteadOfAskingForAFile) {
  loadProject(mdl);
  const std::pair<int, const char*> cases[] = {
      {CMD_EXPORT_PT3D_NORMAL, "Run VarianceMap first: this export reads its results."},
      {CMD_EXPORT_ROAD_DS, "Run LineSegger first: this export reads its results."}};
  for (const auto& [command, text] : cases) {
    MessageSeen seen;
    answerMessage(QMessageBox::Ok, &seen);
    window->runCommand(command);
    EXPECT_EQ(seen.text, text);
    EXPECT_EQ(seen.title, "Warning");
  }
}

}  // namespace
}  // namespace quorvel::qt_test
