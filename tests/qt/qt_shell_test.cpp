// The Linux desktop program's real widgets, in two programs made from this file. qt_shell_tests
// (offscreen): menus and check marks against the Windows resource, a project argument, fitting
// on Load Mdl and over 40 zoom steps out and back, query clicks at two zooms against `quorvel
// query`, message boxes and the status bar, Set Mask Range, and the exports through the save
// dialog equal to `quorvel run --export all`. qt_screenshot_tests (run-xvfb-screenshots): the
// picture area on screen equal to the command line's pictures, the regions picture with its
// legend, Query Info after a click, a load failure.
#include <gtest/gtest.h>

#include <QApplication>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cstdlib>
#include <fstream>
#include <functional>
#include <list>
#include <map>
#include <regex>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/view_state.h"
#include "features/range_image.h"
#include "platform/qt/qt_main_window.h"
#include "render/bitmap_tile_store.h"
#include "scan/query_info_text.h"
#include "scan/scan_store.h"
#include "scan/segment_lookup.h"
#include "tests/support/command_run.h"
#include "tests/support/test_files.h"

// The font library keeps caches, and on X the desktop-bus library a connection, for the life
// of the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libdbus-1\n";
}

namespace quorvel {
namespace {

// Answers waiting for their modal widget; one that takes a widget acts on it and returns true.
std::list<std::function<bool(QWidget*)>> answers;

// Polled every 20 ms: gives the active modal widget to the first answer that takes it. (A box
// that no answer takes waits until the test's time runs out.)
void answerModals() {
  QWidget* modal = QApplication::activeModalWidget();
  for (auto answer = answers.begin(); modal && answer != answers.end(); ++answer) {
    if ((*answer)(modal)) {
      answers.erase(answer);
      return;
    }
  }
}

// Acts on the next modal widget of type Dialog (inside the command's own event loop).
template <typename Dialog>
void whenModal(std::function<void(Dialog*)> act) {
  answers.push_back([act](QWidget* modal) {
    auto* dialog = qobject_cast<Dialog*>(modal);
    if (dialog) act(dialog);
    return dialog != nullptr;
  });
}

// In the next file dialog, then accept; *proposed becomes the folder and name it opened with.
void chooseFile(const std::string& path, std::string* proposed = nullptr) {
  whenModal<QFileDialog>([path, proposed](QFileDialog* dialog) {
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_TRUE(name) << "the file dialog has no name field";
    if (proposed) *proposed = (dialog->directory().path() + "/" + name->text()).toStdString();
    // Typed as a user would: selectFile leaves the name field alone while it has the focus.
    const QFileInfo chosen(QString::fromStdString(path));
    dialog->setDirectory(chosen.absolutePath());
    name->setText(chosen.fileName());
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
}

// A fresh main window and a test folder.
class QtWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    static int argc = 1;
    static char name[] = "qt_test";
    static char* argv[] = {name, nullptr};
    if (QApplication::instance()) return;
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QStandardPaths::setTestModeEnabled(true);  // the recent projects go to ~/.qttest, not ours
    static QApplication* application = new QApplication(argc, argv);  // kept to the end
    auto* poll = new QTimer(application);
    QObject::connect(poll, &QTimer::timeout, answerModals);
    poll->start(20);
  }
  void SetUp() override {
    dir = test::freshTestDir();
    maskRange = {-1, -1};
    window = std::make_unique<QtMainWindow>();
    window->show();
    QApplication::processEvents();
  }
  void TearDown() override {
    onDestroy();
    window.reset();
    EXPECT_TRUE(answers.empty()) << "an expected box or dialog never opened";
    answers.clear();  // so that none answers the next test
  }
  void loadProject(const std::string& mdlPath) {  // Load Mdl through the open dialog
    chooseFile(mdlPath);
    window->runCommand(CMD_LOAD_MDL);
  }

  const std::string sample = test::sourcePath("sample/sim.mdl");  // 1 500 lines of 361 samples
  std::string dir;
  std::unique_ptr<QtMainWindow> window;
};

#ifndef QUORVEL_SCREENSHOT_PROGRAM

using QtShell = QtWindowTest;

// The status bar's text, and " +wait" while the wait cursor is on.
std::string statusShown() {
  const QCursor* cursor = QApplication::overrideCursor();
  return mainWindow()->statusBar()->currentMessage().toStdString() +
         (cursor && cursor->shape() == Qt::WaitCursor ? " +wait" : "");
}

// Presses answer in the next message box; *seen becomes "TEXT|TITLE|" + statusShown().
void answerMessage(QMessageBox::StandardButton answer, std::string* seen) {
  whenModal<QMessageBox>([=](QMessageBox* box) {
    *seen =
        box->text().toStdString() + "|" + box->windowTitle().toStdString() + "|" + statusShown();
    box->button(answer)->click();
  });
}

// The lines of menu resource 6 in resources/quorvel.rc as "POPUP File ", "MENUITEM Exit 105",
// "MENUITEM SEPARATOR ".
std::vector<std::string> resourceMenus() {
  std::ifstream rc(test::sourcePath("resources/quorvel.rc"));
  const std::regex entry(R"re(\s*(POPUP|MENUITEM) "?([^"]*)"?(, (\d+))?)re");
  std::vector<std::string> menus;
  std::smatch match;
  for (std::string line; std::getline(rc, line) && line != "6 MENU";) {
  }
  for (std::string line; std::getline(rc, line) && line != "END";) {
    if (std::regex_match(line, match, entry)) menus.push_back(match.format("$1 $2 $4"));
  }
  return menus;
}

// The menu bar as the window shows it, in the same form; each item's command as the window
// finds it. The recent projects, a submenu of the Linux program alone, are left out.
std::vector<std::string> shownMenus(const QtMainWindow& window) {
  std::vector<std::string> menus;
  for (QAction* bar : window.menuBar()->actions()) {
    menus.push_back("POPUP " + bar->menu()->title().toStdString() + " ");
    for (QAction* item : bar->menu()->actions()) {
      if (item->menu()) continue;
      std::string text = item->isSeparator() ? "SEPARATOR " : item->text().toStdString() + " ";
      for (int id = 100; id <= 145; ++id) {
        if (window.action(id) == item) text += std::to_string(id);
      }
      menus.push_back("MENUITEM " + text);
    }
  }
  return menus;
}

TEST_F(QtShell, MenusAreTheWindowsProgramsAndOptionsCheck) {
  EXPECT_EQ(shownMenus(*window), resourceMenus());
  for (int command : {CMD_INVERSE, CMD_QUERY_MODE, CMD_TILE_OUTLINES, CMD_INVERSE}) {
    window->action(command)->trigger();
  }
  for (int command : {CMD_INVERSE, CMD_QUERY_MODE, CMD_TILE_OUTLINES, CMD_LOAD_MDL}) {
    EXPECT_EQ(window->action(command)->isChecked(),
              command == CMD_QUERY_MODE || command == CMD_TILE_OUTLINES)
        << command;
  }
}

TEST_F(QtShell, LoadAndZoomFitTheWindowToThePictureAndPageDownScrolls) {
  loadProject(sample);                          // 1504 x 361 picture pixels
  EXPECT_LE(window->canvas()->height(), 361);   // fitted: never taller than the picture
  EXPECT_TRUE(window->bar(true)->isVisible());  // 1504 columns are wider than the window
  window->action(CMD_ZOOM_25)->trigger();
  EXPECT_EQ(window->canvas()->size(), QSize(376, 91));  // 90.25 rounded up
  EXPECT_FALSE(window->bar(true)->isVisible());
  const QSize fitted = window->size();
  window->action(CMD_ZOOM_200)->trigger();  // zooming in never enlarges the window
  EXPECT_EQ(window->size(), fitted);
  EXPECT_EQ(window->bar(true)->maximum(), 3008 - window->canvas()->width());
  EXPECT_EQ(window->bar(false)->maximum(), 722 - window->canvas()->height());
  QTest::keyClick(window.get(), Qt::Key_PageDown);
  EXPECT_GT(window->bar(false)->value(), 0);
}

// 40 presses of End from 100 %, then 40 of Home. Each fit leaves the client area (the canvas)
// as large as the fitting asks: never smaller than the zoomed picture or than before, where the
// picture is larger; at the end exactly the picture. Zooming in never enlarges the window.
TEST_F(QtShell, FortyZoomStepsOutAndBackKeepTheClientSizeTheFittingAsksFor) {
  loadProject(sample);
  QSize canvas = window->canvas()->size();
  for (int press = 0; press < 40; ++press) {
    QTest::keyClick(window.get(), Qt::Key_End);
    const QSize zoomed(zoomedExtent(1504, viewState.zoom), zoomedExtent(361, viewState.zoom));
    const QSize now = window->canvas()->size();
    EXPECT_GE(now.width(), std::min(zoomed.width(), canvas.width())) << press;
    EXPECT_GE(now.height(), std::min(zoomed.height(), canvas.height())) << press;
    canvas = now;
  }
  EXPECT_EQ(canvas, QSize(34, 8));  // 1504 and 361 at 0.0221
  const QSize frame = window->size();
  for (int press = 0; press < 40; ++press) QTest::keyClick(window.get(), Qt::Key_Home);
  EXPECT_NEAR(viewState.zoom, 1.0, 1e-12);
  EXPECT_EQ(window->size(), frame);
}

// The program started with a project opens it and offers it among the recent projects. Query
// Info after a click at 100 % and at 200 % (on the last canvas pixel of the picture pixel) shows
// what `quorvel query` prints for the sample of that pixel: on line 300 the first sample whose
// segment differs from the one above. The status bar names that sample under the pointer.
TEST_F(QtShell, AProjectArgumentOpensItAndAClickQueriesTheSampleUnderIt) {
  window->openArguments({"quorvel-gui", QString::fromStdString(sample)});
  EXPECT_EQ(window->windowTitle().toStdString(), "sim.mdl - range picture - QuorvelApp");
  int32_t width, height;
  getImageExtent(width, height);
  EXPECT_EQ(std::pair(width, height), std::pair(1504, 361));
  window->runCommand(CMD_SEGMENT_REGIONS);
  window->action(CMD_QUERY_MODE)->trigger();
  int32_t s = 1;
  while (s < 170 && !(segmentOfSample(scanStore, 300, s) &&
                      segmentOfSample(scanStore, 300, s) != segmentOfSample(scanStore, 300, s - 1)))
    ++s;
  ASSERT_LT(s, 170);
  const test::CommandRun query = test::runCommand(
      dir, QUORVEL_CLI " query " + sample + " --line 300 --sample " + std::to_string(s));
  ASSERT_EQ(query.status, 0) << query.err;
  const std::tuple<int, QPoint> clicks[] = {{CMD_ZOOM_100, {300, s}},
                                            {CMD_ZOOM_200, {601, 2 * s + 1}}};
  for (const auto& [zoom, at] : clicks) {
    window->action(zoom)->trigger();
    std::string shown;
    whenModal<QDialog>([&](QDialog* dialog) {
      for (const QueryInfoField& field : queryInfoFields({})) {
        auto* edit = dialog->findChild<QLineEdit*>(QString::number(field.control));
        shown += std::string(field.name) + ": " + (edit ? edit->text().toStdString() : "") + "\n";
      }
      dialog->accept();
    });
    QTest::mouseClick(window->canvas(), Qt::LeftButton, {}, at);
    EXPECT_EQ(shown, query.out) << zoom << " at sample " << s;
  }
  // The status bar names the sample under the pointer and the zoom; File offers the project.
  QTest::mouseMove(window->canvas(), std::get<1>(clicks[1]));
  const auto text = [&](const char* name) {
    return window->findChild<QWidget*>(name)->property("text").toString().toStdString();
  };
  EXPECT_EQ(text("pointer").rfind("line 300, sample " + std::to_string(s) + ", range ", 0), 0u)
      << text("pointer");
  EXPECT_EQ(text("zoom"), "Zoom 200 %");
  const QList<QAction*> recent = window->findChild<QMenu*>("recent")->actions();
  ASSERT_FALSE(recent.isEmpty());
  EXPECT_EQ(recent.front()->text().toStdString(), sample);
}

// A stage of over a second shows its progress and a Cancel button that stops it; meanwhile the
// main window takes no input (the pointer's move does not reach it). A short stage shows nothing.
TEST_F(QtShell, ALongStageShowsItsProgressAndCancelStopsIt) {
  loadProject(sample);
  ws::StageProgress progress;
  std::string shown;
  whenModal<QProgressDialog>([&](QProgressDialog* dialog) {
    QMouseEvent move(QEvent::MouseMove, QPointF(10, 10), QPointF(10, 10), Qt::NoButton,
                     Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(window->canvas(), &move);
    shown = dialog->labelText().toStdString() + " " + std::to_string(dialog->value()) + " " +
            window->findChild<QLabel*>("pointer")->text().toStdString();
    dialog->findChild<QPushButton*>()->click();
  });
  const auto waitForCancel = [&] {
    progress.permille = 250;
    while (!progress.cancel) QThread::msleep(10);
    return 0;
  };
  EXPECT_EQ(ws::runStage(window.get(), "Waiting", progress, waitForCancel), 0);
  EXPECT_EQ(shown, "Waiting... 250 ");
  ws::StageProgress quick;
  EXPECT_EQ(ws::runStage(window.get(), "Quick", quick, [] { return 1; }), 1);
}

// A failing step's box shows its text with the path and the reason below, without the wait
// cursor, the status bar naming the command.
TEST_F(QtShell, MessageBoxesShowTextPathAndReasonAndTheCloseCancelKeepsTheWindow) {
  test::writeFile(dir + "/bad.mdl", "DIR " + std::string(300, 'd') + "\n");
  std::string seen;
  answerMessage(QMessageBox::Ok, &seen);
  loadProject(dir + "/bad.mdl");
  const std::string mdl = dir + "/bad.mdl";
  EXPECT_EQ(seen, "Load MDL file failure.\n" + mdl +
                      "\nvalue too long for a path: 300 characters; expected at most 259; line "
                      "1|" +
                      mdl + "|Running Load Mdl...");
  EXPECT_EQ(statusShown(), "");  // the command has ended
  answerMessage(QMessageBox::Cancel, &seen);
  EXPECT_FALSE(window->close());
  EXPECT_EQ(seen, "OK to close window?|QuorvelApp|");
}

// What is not a whole number in range is refused beside its field, and the dialog stays open.
TEST_F(QtShell, SetMaskRangeShowsRefusesAndStoresTheValues) {
  std::string shown;
  whenModal<QDialog>([&](QDialog* modal) {
    auto* stno = modal->findChild<QLineEdit*>("1000");
    auto* edno = modal->findChild<QLineEdit*>("1001");
    auto* ok = modal->findChildren<QPushButton*>().front();
    ASSERT_TRUE(stno && edno && ok->text() == "Ok");
    shown = (stno->text() + "/" + edno->text()).toStdString();
    stno->setText("10");
    for (const char* typed : {"abc", " 0 "}) {
      edno->setText(typed);
      ok->click();
      const QString message = modal->findChild<QLabel*>("1003")->text();
      shown += (" " + message + (modal->isVisible() ? "open" : "closed")).toStdString();
    }
  });
  window->runCommand(CMD_MASK_RANGE);
  EXPECT_EQ(shown, "-1/-1 Not an integer.open closed");
  EXPECT_EQ(std::pair(maskRange.stno, maskRange.edno), std::pair(10, 0));
}

TEST_F(QtShell, ExportsWriteTheCommandLinesFilesAndAskBeforeReplacingOne) {
  ASSERT_EQ(
      test::runCommand(dir, QUORVEL_CLI " run " + sample + " --export all --out " + dir + "/cli")
          .status,
      0);
  loadProject(sample);
  window->runCommand(CMD_VARIANCE_MAP);
  window->runCommand(CMD_LINE_SEGGER);
  const std::tuple<int, const char*, std::vector<const char*>> exports[] = {
      {CMD_EXPORT_PT3D_NORMAL, "normal", {"normal.pt3d"}},  // the default extension is added
      {CMD_EXPORT_PT3D_CLASS, "class.pt3d", {"class.pt3d"}},
      {CMD_EXPORT_COUNT_MAP, "map.master", {"map-h.master", "map-h.raw"}},
      {CMD_EXPORT_ROAD_HEIGHT, "map.master", {"map-r.master", "map-r.raw"}},
      {CMD_EXPORT_ROAD_DS, "road.ds", {"road.ds"}},
      {CMD_EXPORT_NONROAD_DS, "nonroad.ds", {"nonroad.ds"}}};
  std::string proposed;  // the first save dialog's folder and name
  for (const auto& [command, chosen, written] : exports) {
    chooseFile(dir + "/" + chosen, proposed.empty() ? &proposed : nullptr);
    window->runCommand(command);
    for (const char* name : written) {
      const std::vector<unsigned char> shown = test::readFile(dir + "/" + name);
      EXPECT_TRUE(!shown.empty() && shown == test::readFile(dir + "/cli/" + name)) << name;
    }
  }
  EXPECT_EQ(proposed, test::sourcePath("sample/sim-normal.pt3d"));
  const std::string existing = dir + "/road.ds";
  test::writeFile(existing, "old");
  std::string seen;
  chooseFile(existing);
  answerMessage(QMessageBox::Yes, &seen);
  window->runCommand(CMD_EXPORT_ROAD_DS);
  EXPECT_EQ(seen,
            "road.ds already exists.\nDo you want to replace it?|Output Road data to Ds "
            "File|Running Output Road data to Ds File...");
  EXPECT_EQ(test::readFile(existing), test::readFile(dir + "/cli/road.ds"));
}

#else

using QtScreenshots = QtWindowTest;

// The whole screen once `shown` has painted, saved as $QUORVEL_SCREENSHOTS/NAME.png.
QImage screenshot(QWidget* shown, const std::string& name) {
  EXPECT_TRUE(QTest::qWaitForWindowExposed(shown));
  QTest::qWait(500);
  const std::string path =
      qEnvironmentVariable("QUORVEL_SCREENSHOTS").toStdString() + "/" + name + ".png";
  EXPECT_EQ(std::system(("import -window root " + path).c_str()), 0) << path;
  return QImage(QString::fromStdString(path));
}

// The canvas point of the first sample, on a 4-pixel grid from a third of the height down, that
// lies in a region segment.
QPoint pointOnASegment(const QWidget& canvas) {
  int32_t width, height;
  getImageExtent(width, height);
  for (int y = canvas.height() / 3; y < canvas.height(); y += 4) {
    for (int x = canvas.width() / 3; x < canvas.width(); x += 4) {
      if (findSegmentAt({x / viewState.zoom, height - y / viewState.zoom})) return {x, y};
    }
  }
  ADD_FAILURE() << "no sample lies in a segment";
  return {};
}

// After each picture command the picture area equals the command line's picture (RegionMap
// shown with its legend); then Query Info on the regions picture, and a load failure's box.
TEST_F(QtScreenshots, SampleSession) {
  ASSERT_FALSE(qEnvironmentVariableIsEmpty("QUORVEL_SCREENSHOTS"))
      << "run me through tests/qt/run-xvfb-screenshots";
  const std::string images = " --images range,normal,segment,regions --out " + dir + "/cli";
  ASSERT_EQ(test::runCommand(dir, QUORVEL_CLI " run " + sample + images).status, 0);
  loadProject(sample);
  const std::tuple<int, const char*, const char*> steps[] = {
      {CMD_LOAD_MDL, "load-mdl", "range"},
      {CMD_NORMAL_MAP, "normal-map", "normal"},
      {CMD_LINE_SEGGER, "line-segger", "segment"},
      {CMD_REGION_MAP, "region-map", "regions"}};
  for (const auto& [command, name, picture] : steps) {
    if (command != CMD_LOAD_MDL) window->runCommand(command);
    const QImage shot = screenshot(window.get(), name);
    const QRect area(window->canvas()->mapToGlobal(QPoint(0, 0)), window->canvas()->size());
    const QImage expected(QString::fromStdString(dir + "/cli/" + picture + ".png"));
    int64_t differing = 0;  // pixels of the picture area
    for (int y = 0; y < area.height(); ++y) {
      for (int x = 0; x < area.width(); ++x) {
        differing += shot.pixel(area.topLeft() + QPoint(x, y)) != expected.pixel(x, y);
      }
    }
    EXPECT_EQ(differing, 0) << picture;
    EXPECT_GT(area.width() * area.height(), 100000) << picture;  // most of the window shows it
    EXPECT_EQ(window->windowTitle().toStdString(),
              std::string("sim.mdl - ") + picture + " picture - QuorvelApp");
  }
  window->action(CMD_QUERY_MODE)->trigger();
  std::map<int, std::string> shown, expected;
  whenModal<QDialog>([&](QDialog* dialog) {
    screenshot(dialog, "query-info");
    EXPECT_EQ(dialog->windowTitle(), "Query Info");
    for (auto* edit : dialog->findChildren<QLineEdit*>()) {
      shown[edit->objectName().toInt()] = edit->text().toStdString();
    }
    dialog->accept();
  });
  QTest::mouseClick(window->canvas(), Qt::LeftButton, {}, pointOnASegment(*window->canvas()));
  const SegmentRecord* segment = findSegmentAt(viewState.queryPoint);
  ASSERT_TRUE(segment);
  for (const QueryInfoField& field : queryInfoFields(*segment))
    expected[field.control] = field.text;
  EXPECT_EQ(shown, expected);
  screenshot(window.get(), "query-marker");
  test::writeFile(dir + "/bad-ds.mdl", "DIR ./\nDS missing.ds\nCALIB missing.cal\n");
  test::writeFile(dir + "/missing.cal", "rot 0 0 0\n");
  whenModal<QMessageBox>([](QMessageBox* box) {
    screenshot(box, "load-failure");
    box->accept();
  });
  loadProject(dir + "/bad-ds.mdl");
}

#endif

}  // namespace
}  // namespace quorvel
