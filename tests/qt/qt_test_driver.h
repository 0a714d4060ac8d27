// Drives the Linux desktop program's real widgets from a test: a QApplication on the offscreen
// platform (or the one QT_QPA_PLATFORM names), answers to the modal boxes and dialogs that a
// command opens, the query click, the command line's outputs to compare with, and a fixture
// with a fresh main window and a small project on disk.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QMessageBox>

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "platform/qt/qt_main_window.h"

namespace quorvel::qt_test {

void startApplication();  // once per process; kept to the end of the program

// Acts on the next modal widget of type Dialog as soon as it is the active one (inside the
// command's own event loop).
template <typename Dialog>
void whenModal(std::function<void(Dialog*)> act) {
  whenModalWidget([act](QWidget* modal) {
    auto* dialog = qobject_cast<Dialog*>(modal);
    if (dialog) act(dialog);
    return dialog != nullptr;
  });
}
// The untyped form: act returns false while the widget is not the one it waits for.
void whenModalWidget(std::function<bool(QWidget*)> act);

void chooseFile(const std::string& path);  // in the next file dialog, then accept
void cancelFileDialog();

// What a message box showed, and how the window looked meanwhile.
struct MessageSeen {
  std::string text;
  std::string title;
  bool waitCursor = false;  // the wait cursor was on while the box waited
  std::string status;       // the main window's status bar text
};
// Presses answer in the next message box and records it into seen.
void answerMessage(QMessageBox::StandardButton answer, MessageSeen* seen);

// Runs `quorvel ARGUMENTS --quiet`, its output into DIR/cli.txt; returns its exit status.
int runCommandLine(const std::string& arguments, const std::string& dir);

// Pixels where shown and expected overlap (top-left corners together), and how many differ.
struct PixelComparison {
  int64_t compared = 0;
  int64_t differing = 0;
};
PixelComparison comparePixels(const QImage& shown, const QImage& expected);
QImage readPicture(const std::string& path);  // as 32-bit RGB; null when it cannot be read

// Writes a simulated street of `lines` scan lines into folder; returns the MDL file's path.
std::string writeSimulatedStreet(const std::string& folder, int lines);

// Turns Query Mode on and clicks the first sample that lies in a region segment; the dialog that
// opens is read, then closed with Ok (whileOpen runs first). Fails the test when no sample of
// the visible picture lies in a segment.
struct QueryInfoShown {
  std::string title;
  std::map<int, std::string> fields;  // edit field texts by control id
};
QueryInfoShown queryClickOnASegment(QtMainWindow& window,
                                    const std::function<void(QDialog*)>& whileOpen = nullptr);
// The Query Info texts of the segment under the last query click by control id; empty for none.
std::map<int, std::string> queriedSegmentFields();

class QtWindowTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { startApplication(); }
  void SetUp() override;  // dir with run.mdl (900 lines of 361 samples), van.cal, scan.ds
  void TearDown() override;

  void loadProject(const std::string& mdlPath);  // Load Mdl through the open dialog

  std::string dir;
  std::unique_ptr<QtMainWindow> window;
};

}  // namespace quorvel::qt_test
