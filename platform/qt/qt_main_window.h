// The main window of the Linux desktop program: the menus of the Windows program, a canvas
// with its own scroll bars (so that the shell sets their ranges and positions as it does on
// Windows), and every event handed to the application shell. Besides: a project named on the
// command line opens, recent projects in the File menu, the wheel scrolls (Shift: sideways) and
// zooms about the pointer (Ctrl), the arrow and page keys scroll, and the status bar shows the
// zoom, the sample under the pointer and a legend of the picture's colours.
#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QScrollBar>
#include <QWidget>

#include <map>
#include <set>
#include <string>

namespace quorvel {

class QtLegend;

class QtCanvas : public QWidget {
 public:
  explicit QtCanvas(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void leaveEvent(QEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
};

class QtMainWindow : public QMainWindow {
 public:
  QtMainWindow();

  QtCanvas* canvas() const { return canvas_; }
  QScrollBar* bar(bool horizontal) const { return horizontal ? horizontal_ : vertical_; }
  QAction* action(int command) const;  // none for an id without menu item
  void layoutView();                   // places canvas and bars; a size change reaches onSize
  void runCommand(int command);        // a long one shows that it works until it ends
  // Opens the project as Load Mdl does after its dialog (a project named on the command line,
  // a recent one, one sent by a second start).
  void openProjectFile(const QString& path);
  // The program's arguments without the Qt options: the project named after the program opens.
  void openArguments(const QStringList& arguments);
  void showPointer(const QPoint& at);  // the sample under a canvas point in the status bar
  void refreshStatus();                // zoom, legend and recent projects after a change

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;  // the view's resizes

 private:
  void buildMenus();
  void buildStatusBar();
  void fillRecentMenu();
  void rememberProject(const std::string& path);  // first in the recent projects
  QWidget* view_;
  QtCanvas* canvas_;
  QScrollBar* horizontal_;
  QScrollBar* vertical_;
  QMenu* recentMenu_ = nullptr;
  QLabel* pointer_ = nullptr;
  QLabel* zoom_ = nullptr;
  QtLegend* legend_ = nullptr;
  std::map<int, QAction*> actions_;
  std::set<int> longCommands_;  // those that show the wait cursor and their name
  QSize lastCanvasSize_;
  bool busy_ = false;  // a command runs: no other starts (a second start's project waits not)
};

QtMainWindow* mainWindow();  // the program's one main window

}  // namespace quorvel
