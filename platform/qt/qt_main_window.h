// The main window of the Linux desktop program: the menus of the Windows program, a canvas
// with its own scroll bars (so that the shell sets their ranges and positions as it does on
// Windows), and every event handed to the application shell.
#pragma once

#include <QMainWindow>
#include <QScrollBar>
#include <QWidget>

#include <map>
#include <set>

namespace quorvel {

class QtCanvas : public QWidget {
 public:
  explicit QtCanvas(QWidget* parent);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
};

class QtMainWindow : public QMainWindow {
 public:
  QtMainWindow();

  QtCanvas* canvas() const { return canvas_; }
  QScrollBar* bar(bool horizontal) const { return horizontal ? horizontal_ : vertical_; }
  QAction* action(int command) const;  // none for an id without menu item
  void layoutView();                   // places canvas and bars; a size change reaches onSize
  void runCommand(int command);        // a long one shows that it works until it ends

 protected:
  void closeEvent(QCloseEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;  // the view's resizes

 private:
  void buildMenus();
  QWidget* view_;
  QtCanvas* canvas_;
  QScrollBar* horizontal_;
  QScrollBar* vertical_;
  std::map<int, QAction*> actions_;
  std::set<int> longCommands_;  // those that show the wait cursor and their name
  QSize lastCanvasSize_;
};

QtMainWindow* mainWindow();  // the program's one main window

}  // namespace quorvel
