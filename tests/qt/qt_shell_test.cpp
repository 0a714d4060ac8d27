// The Linux desktop program's real widgets driven under the offscreen platform: Load Mdl
// through the file dialog and each of its failure messages, the pictures of the Action
// commands, the sign that a long command works, Segment Regions with a query click, Set Mask
// Range and the close prompt.
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

#include "app/commands.h"
#include "app/main_window.h"
#include "features/range_image.h"
#include "render/bitmap_tile_store.h"
#include "scan/scan_store.h"
#include "tests/qt/qt_test_driver.h"
#include "tests/support/test_files.h"

namespace quorvel::qt_test {
namespace {

using QtShell = QtWindowTest;

TEST_F(QtShell, LoadMdlShowsThePictureFittedToTheWindow) {
  loadProject(dir + "/run.mdl");
  EXPECT_EQ(scanStore.lineCount, 900);
  EXPECT_EQ(isImageReady(), 1);
  EXPECT_LE(window->canvas()->height(), 361);   // fitted: never taller than the picture
  EXPECT_TRUE(window->bar(true)->isVisible());  // 904 columns are wider than the window
}

struct LoadFailure {
  const char* name;
  std::string mdlText;
  const char* text;
  const char* caption;  // relative to the test folder; "" for the MDL path itself
};

class QtLoadFailure : public QtWindowTest, public ::testing::WithParamInterface<LoadFailure> {};

TEST_P(QtLoadFailure, ShowsItsMessageWithoutTheWaitCursor) {
  test::writeFile(dir + "/empty.ds", test::dsFileBytes(0.5f, 180.0f, 100, {}, 0));
  test::writeFile(dir + "/bad.mdl", GetParam().mdlText);
  MessageSeen seen;
  answerMessage(QMessageBox::Ok, &seen);
  loadProject(dir + "/bad.mdl");
  EXPECT_EQ(seen.text, GetParam().text);
  const std::string caption = GetParam().caption;
  EXPECT_EQ(seen.title, caption.empty()      ? dir + "/bad.mdl"
                        : caption == "Error" ? caption
                                             : dir + "/" + caption);
  EXPECT_FALSE(seen.waitCursor);
  EXPECT_EQ(seen.status, "Running Load Mdl...");
}

INSTANTIATE_TEST_SUITE_P(
    EachStep, QtLoadFailure,
    ::testing::Values(LoadFailure{"Mdl", "DIR " + std::string(300, 'd') + "\n",
                                  "Load MDL file failure.", ""},
                      LoadFailure{"Calib", "DIR ./\nDS scan.ds\nCALIB missing.cal\n",
                                  "Load Calib file failure.", "./missing.cal"},
                      LoadFailure{"Ds", "DIR ./\nDS missing.ds\nCALIB van.cal\n",
                                  "Load Ds file failure.", "./missing.ds"},
                      LoadFailure{"Picture", "DIR ./\nDS empty.ds\nCALIB van.cal\n",
                                  "Generate BMP mesh failure.", "Error"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(QtShell, ActionCommandsShowTheCommandLinesPictures) {
  const std::string mdl = writeSimulatedStreet(dir + "/street", 160);
  ASSERT_EQ(runCommandLine("run " + mdl + " --images all --out " + dir + "/cli", dir), 0);
  loadProject(mdl);
  const std::pair<int, const char*> commands[] = {{CMD_RANGE_IMAGE, "range"},
                                                  {CMD_VARIANCE_MAP, "variance"},
                                                  {CMD_NORMAL_MAP, "normal"},
                                                  {CMD_CONTOUR_MAP, "contour"},
                                                  {CMD_LINE_SEGGER, "segment"}};
  for (const auto& [command, picture] : commands) {
    window->runCommand(command);
    const QImage shown = window->canvas()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const PixelComparison comparison =
        comparePixels(shown, readPicture(dir + "/cli/" + picture + ".png"));
    EXPECT_EQ(comparison.compared, 168 * 361) << picture;  // the window fits the whole picture
    EXPECT_EQ(comparison.differing, 0) << picture;
  }
}

// Records the status bar text and the cursor each time the status bar is painted.
class StatusPaints : public QObject {
 public:
  std::vector<std::pair<std::string, bool>> seen;  // text, wait cursor on

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      const QCursor* cursor = QApplication::overrideCursor();
      seen.emplace_back(static_cast<QStatusBar*>(watched)->currentMessage().toStdString(),
                        cursor && cursor->shape() == Qt::WaitCursor);
    }
    return false;
  }
};

TEST_F(QtShell, LongCommandsShowTheWaitCursorAndTheirNameUntilTheyEnd) {
  loadProject(dir + "/run.mdl");
  StatusPaints paints;
  window->statusBar()->installEventFilter(&paints);
  window->runCommand(CMD_NORMAL_MAP);
  window->runCommand(CMD_ZOOM_50);
  window->statusBar()->removeEventFilter(&paints);
  const std::vector<std::pair<std::string, bool>> expected = {{"Running NormalMap...", true}};
  EXPECT_EQ(paints.seen, expected);  // painted before the work; nothing for the zoom
  EXPECT_EQ(window->statusBar()->currentMessage(), "");
  EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(QtShell, SegmentRegionsThenAQueryClickShowsTheSegmentInQueryInfo) {
  loadProject(writeSimulatedStreet(dir + "/street", 160));
  window->runCommand(CMD_SEGMENT_REGIONS);
  const QueryInfoShown shown = queryClickOnASegment(*window);
  EXPECT_EQ(shown.title, "Query Info");
  EXPECT_EQ(shown.fields.size(), 17u);
  EXPECT_EQ(shown.fields, queriedSegmentFields());
}

TEST_F(QtShell, SetMaskRangeShowsAndStoresTheValues) {
  std::string shown;
  whenModal<QDialog>([&](QDialog* modal) {
    auto* stno = modal->findChild<QLineEdit*>("1000");
    auto* edno = modal->findChild<QLineEdit*>("1001");
    ASSERT_TRUE(stno && edno);
    shown = (stno->text() + "/" + edno->text()).toStdString();
    stno->setText("10");
    edno->setText("abc");
    for (auto* button : modal->findChildren<QPushButton*>()) {
      if (button->text() == "Ok") button->click();
    }
  });
  window->runCommand(CMD_MASK_RANGE);
  EXPECT_EQ(shown, "-1/-1");
  EXPECT_EQ(maskRange.stno, 10);
  EXPECT_EQ(maskRange.edno, 0);
}

TEST_F(QtShell, TheClosePromptKeepsTheWindowOnCancel) {
  MessageSeen seen;
  answerMessage(QMessageBox::Cancel, &seen);
  EXPECT_FALSE(window->close());
  EXPECT_EQ(seen.text, "OK to close window?");
  EXPECT_EQ(seen.title, "QuorvelApp");
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace quorvel::qt_test
