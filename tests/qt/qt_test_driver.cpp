#include "tests/qt/qt_test_driver.h"

#include <QDialog>
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include <cstdlib>
#include <set>

#include "app/commands.h"
#include "app/main_window.h"
#include "features/range_image.h"
#include "render/bitmap_tile_store.h"
#include "scan/query_info_text.h"
#include "sim/simulator.h"
#include "tests/support/test_files.h"

// The font library keeps caches, and on X the desktop-bus library a connection, for the life
// of the process; they are not ours to free.
extern "C" const char* __lsan_default_suppressions() {
  return "leak:libfontconfig\nleak:libdbus-1\n";
}

namespace quorvel::qt_test {

namespace {

// A modal widget that no answer of the test takes within this time is closed and reported, so
// that a wrong expectation fails the test instead of hanging it.
constexpr int STRAY_MODAL_MS = 5000;

std::vector<std::string> strayModals;
std::set<QTimer*> pendingAnswers;  // answers no modal widget has taken yet

void watchForStrayModals() {
  static QWidget* seen = nullptr;
  static int ticks = 0;
  auto* timer = new QTimer;
  QObject::connect(timer, &QTimer::timeout, [] {
    QWidget* modal = QApplication::activeModalWidget();
    ticks = modal && modal == seen ? ticks + 1 : 0;
    seen = modal;
    if (modal && ticks * 250 >= STRAY_MODAL_MS) {
      strayModals.push_back(modal->windowTitle().toStdString());
      modal->close();
      ticks = 0;
    }
  });
  timer->start(250);
}

// The client point of the first sample, on a 4-pixel grid over the visible picture, that lies in
// a region segment.
std::optional<QPoint> clickOnASegment(const QtMainWindow& window) {
  int32_t width, height;
  getImageExtent(width, height);
  for (int y = 2; y < window.canvas()->height(); y += 4) {
    for (int x = 2; x < window.canvas()->width(); x += 4) {
      if (findSegmentAt({x / viewState.zoom, height - y / viewState.zoom})) return QPoint(x, y);
    }
  }
  return std::nullopt;
}

// The edit field texts by control id.
std::map<int, std::string> dialogFields(QDialog* dialog) {
  std::map<int, std::string> fields;
  for (auto* edit : dialog->findChildren<QLineEdit*>()) {
    fields[edit->objectName().toInt()] = edit->text().toStdString();
  }
  return fields;
}

}  // namespace

void startApplication() {
  static int argc = 1;
  static char name[] = "qt_test";
  static char* argv[] = {name, nullptr};
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  // Destroying it among the static objects at exit would be too late.
  static QApplication* application = new QApplication(argc, argv);
  (void)application;
  static const bool watching = (watchForStrayModals(), true);
  (void)watching;
}

void whenModalWidget(std::function<bool(QWidget*)> act) {
  auto* timer = new QTimer;
  pendingAnswers.insert(timer);
  QObject::connect(timer, &QTimer::timeout, [timer, act] {
    QWidget* modal = QApplication::activeModalWidget();
    if (modal && act(modal)) {
      pendingAnswers.erase(timer);
      timer->stop();
      timer->deleteLater();
    }
  });
  timer->start(20);
}

void chooseFile(const std::string& path) {
  whenModal<QFileDialog>([path](QFileDialog* dialog) {
    // Typed as a user would: selectFile leaves the name field alone while it has the focus.
    const QFileInfo chosen(QString::fromStdString(path));
    dialog->setDirectory(chosen.absolutePath());
    auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
    ASSERT_TRUE(name) << "the file dialog has no name field";
    name->setText(chosen.fileName());
    QMetaObject::invokeMethod(dialog, "accept", Qt::QueuedConnection);
  });
}

void cancelFileDialog() {
  whenModal<QFileDialog>([](QFileDialog* dialog) {
    QMetaObject::invokeMethod(dialog, "reject", Qt::QueuedConnection);
  });
}

void answerMessage(QMessageBox::StandardButton answer, MessageSeen* seen) {
  whenModal<QMessageBox>([=](QMessageBox* box) {
    seen->text = box->text().toStdString();
    seen->title = box->windowTitle().toStdString();
    const QCursor* cursor = QApplication::overrideCursor();
    seen->waitCursor = cursor && cursor->shape() == Qt::WaitCursor;
    if (QtMainWindow* main = mainWindow()) {
      seen->status = main->statusBar()->currentMessage().toStdString();
    }
    box->button(answer)->click();
  });
}

int runCommandLine(const std::string& arguments, const std::string& dir) {
  const std::string command =
      std::string(QUORVEL_CLI) + " " + arguments + " --quiet >" + dir + "/cli.txt 2>&1";
  return std::system(command.c_str());
}

PixelComparison comparePixels(const QImage& shown, const QImage& expected) {
  PixelComparison result;
  for (int y = 0; y < shown.height() && y < expected.height(); ++y) {
    for (int x = 0; x < shown.width() && x < expected.width(); ++x) {
      ++result.compared;
      if (shown.pixel(x, y) != expected.pixel(x, y)) ++result.differing;
    }
  }
  return result;
}

QImage readPicture(const std::string& path) {
  return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
}

std::string writeSimulatedStreet(const std::string& folder, int lines) {
  SimulationOptions options;
  options.lines = lines;
  SimulatedProject project;
  EXPECT_TRUE(simulateProject(options, project).ok());
  EXPECT_TRUE(writeSimulatedProject(project, folder).ok());
  return folder + "/sim.mdl";
}

QueryInfoShown queryClickOnASegment(QtMainWindow& window,
                                    const std::function<void(QDialog*)>& whileOpen) {
  window.action(CMD_QUERY_MODE)->trigger();
  const std::optional<QPoint> click = clickOnASegment(window);
  EXPECT_TRUE(click) << "no sample lies in a segment";
  QueryInfoShown shown;
  if (!click) return shown;
  whenModal<QDialog>([&](QDialog* dialog) {
    if (whileOpen) whileOpen(dialog);
    shown = {dialog->windowTitle().toStdString(), dialogFields(dialog)};
    dialog->accept();
  });
  QTest::mouseClick(window.canvas(), Qt::LeftButton, {}, *click);
  return shown;
}

std::map<int, std::string> queriedSegmentFields() {
  std::map<int, std::string> fields;
  if (const SegmentRecord* segment = findSegmentAt(viewState.queryPoint)) {
    for (const QueryInfoField& field : queryInfoFields(*segment))
      fields[field.control] = field.text;
  }
  return fields;
}

void QtWindowTest::SetUp() {
  dir = test::freshTestDir();
  test::DsRecord record;
  record.range.assign(361, 1500);
  test::writeFile(dir + "/scan.ds",
                  test::dsFileBytes(0.5f, 180.0f, 100, std::vector<test::DsRecord>(900, record)));
  test::writeFile(dir + "/van.cal", "rot -90 0 -90\nshv 0 0 2\n");
  test::writeFile(dir + "/run.mdl", "DIR ./\nDS scan.ds\nCALIB van.cal\n");
  maskRange = {-1, -1};
  strayModals.clear();
  window = std::make_unique<QtMainWindow>();
  window->show();
  QApplication::processEvents();
}

void QtWindowTest::TearDown() {
  onDestroy();
  window.reset();
  EXPECT_TRUE(strayModals.empty()) << "unanswered: " << strayModals.front();
  EXPECT_TRUE(pendingAnswers.empty()) << "an expected box or dialog never opened";
  for (QTimer* timer : pendingAnswers) delete timer;  // so that it cannot answer the next test
  pendingAnswers.clear();
}

void QtWindowTest::loadProject(const std::string& mdlPath) {
  chooseFile(mdlPath);
  window->runCommand(CMD_LOAD_MDL);
}

}  // namespace quorvel::qt_test
