// The Linux desktop program's real widgets driven under the offscreen platform: Load Mdl
// through the file dialog, a failure message, the pictures of the Action commands, Set Mask
// Range, zoom keys and the close prompt.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include <functional>

#include "app/commands.h"
#include "app/main_window.h"
#include "features/range_image.h"
#include "platform/qt/qt_main_window.h"
#include "render/bitmap_tile_store.h"
#include "scan/scan_store.h"
#include "tests/support/test_files.h"

// The font library keeps caches for the life of the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\n";
}

namespace quorvel {
namespace {

// Acts on the next modal dialog of type Dialog as soon as it opens (inside the command's own
// event loop).
template <typename Dialog>
void whenModal(std::function<void(Dialog*)> act) {
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    if (auto* modal = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
      timer->stop();
      timer->deleteLater();
      act(modal);
    }
  });
  timer->start(20);
}

void chooseFile(const std::string& path) {
  whenModal<QFileDialog>([path](QFileDialog* dialog) {
    dialog->selectFile(QString::fromStdString(path));
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
}

// Presses the message box's button and records its text and title.
void answerMessage(QMessageBox::StandardButton answer, std::string* text, std::string* title) {
  whenModal<QMessageBox>([=](QMessageBox* box) {
    *text = box->text().toStdString();
    *title = box->windowTitle().toStdString();
    box->button(answer)->click();
  });
}

class QtShell : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "qt_shell_test";
    static char* argv[] = {name, nullptr};
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    // Kept to the end of the program: destroying it among the static objects at exit is too late.
    static QApplication* application = new QApplication(argc, argv);
    (void)application;
  }

  void SetUp() override {
    dir = test::freshTestDir();
    test::DsRecord record;
    record.range.assign(361, 1500);
    test::writeFile(dir + "/scan.ds",
                    test::dsFileBytes(0.5f, 180.0f, 100, std::vector<test::DsRecord>(900, record)));
    test::writeFile(dir + "/van.cal", "rot -90 0 -90\nshv 0 0 2\n");
    test::writeFile(dir + "/run.mdl", "DIR ./\nDS scan.ds\nCALIB van.cal\n");
    window = std::make_unique<QtMainWindow>();
    window->show();
    QApplication::processEvents();
  }

  void TearDown() override {
    onDestroy();
    window.reset();
  }

  std::string dir;
  std::unique_ptr<QtMainWindow> window;
};

TEST_F(QtShell, LoadMdlShowsThePictureFittedToTheWindow) {
  chooseFile(dir + "/run.mdl");
  window->runCommand(CMD_LOAD_MDL);
  EXPECT_EQ(scanStore.lineCount, 900);
  EXPECT_EQ(isImageReady(), 1);
  EXPECT_LE(window->canvas()->height(), 361);   // fitted: never taller than the picture
  EXPECT_TRUE(window->bar(true)->isVisible());  // 904 columns are wider than the window
}

TEST_F(QtShell, LoadFailureShowsTheMessageWithThePathAsTitle) {
  test::writeFile(dir + "/bad.mdl", "DIR ./\nDS missing.ds\nCALIB van.cal\n");
  chooseFile(dir + "/bad.mdl");
  std::string text, title;
  answerMessage(QMessageBox::Ok, &text, &title);
  window->runCommand(CMD_LOAD_MDL);
  EXPECT_EQ(text, "Load Ds file failure.");
  EXPECT_EQ(title, dir + "/./missing.ds");
}

TEST_F(QtShell, ActionCommandsBuildTheirPictures) {
  chooseFile(dir + "/run.mdl");
  window->runCommand(CMD_LOAD_MDL);
  for (int command : {CMD_VARIANCE_MAP, CMD_NORMAL_MAP, CMD_CONTOUR_MAP, CMD_LINE_SEGGER}) {
    window->runCommand(command);
  }
  EXPECT_TRUE(scanStore.varianceMap.has_value());
  EXPECT_TRUE(scanStore.lineSegmentMask.has_value());
  const QImage shown = window->canvas()->grab().toImage();
  EXPECT_FALSE(shown.isNull());
}

TEST_F(QtShell, SetMaskRangeShowsAndStoresTheValues) {
  maskRange = {-1, -1};
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

TEST_F(QtShell, ZoomKeysAndTheClosePrompt) {
  viewState.zoom = 1.0;
  QTest::keyClick(window.get(), Qt::Key_Home);
  EXPECT_NEAR(viewState.zoom, 1.1, 1e-12);
  QTest::keyClick(window.get(), Qt::Key_End);
  EXPECT_NEAR(viewState.zoom, 1.0, 1e-12);
  std::string text, title;
  answerMessage(QMessageBox::Cancel, &text, &title);
  EXPECT_FALSE(window->close());
  EXPECT_EQ(text, "OK to close window?");
  EXPECT_EQ(title, "QuorvelApp");
  EXPECT_TRUE(window->isVisible());
}

}  // namespace
}  // namespace quorvel
