#include "platform/qt/qt_main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/view.h"

namespace quorvel {

namespace {

QtMainWindow* theWindow = nullptr;

struct MenuItem {
  const char* text;  // nullptr: a separator
  int command;
  bool checkable;
};

struct Menu {
  const char* title;
  std::vector<MenuItem> items;
};

// The menus of the Windows program, with the items it adds for the menu-less commands.
const std::vector<Menu>& menus() {
  static const std::vector<Menu> all = {
      {"File",
       {{"Load Mdl", CMD_LOAD_MDL, false}, {"About", CMD_ABOUT, false}, {"Exit", CMD_EXIT, false}}},
      {"Zoom",
       {{"25%", CMD_ZOOM_25, false},
        {"50%", CMD_ZOOM_50, false},
        {"100%", CMD_ZOOM_100, false},
        {"150%", CMD_ZOOM_150, false},
        {"200%", CMD_ZOOM_200, false}}},
      {"Action",
       {{"RangeImage", CMD_RANGE_IMAGE, false},
        {"VarianceMap", CMD_VARIANCE_MAP, false},
        {"NormalMap", CMD_NORMAL_MAP, false},
        {"ContourMap", CMD_CONTOUR_MAP, false},
        {"LineSegger", CMD_LINE_SEGGER, false},
        {nullptr, 0, false},
        {"Segment Regions", CMD_SEGMENT_REGIONS, false}}},
      {"Options",
       {{"Inverse", CMD_INVERSE, true},
        {nullptr, 0, false},
        {"Query Mode", CMD_QUERY_MODE, true},
        {"Tile Outlines", CMD_TILE_OUTLINES, true},
        {"Set Mask Range...", CMD_MASK_RANGE, false}}},
      {"Export",
       {{"Output to RGB PT3D (colour by normal)...", CMD_EXPORT_PT3D_NORMAL, false},
        {"Output to RGB PT3D (colour by class)...", CMD_EXPORT_PT3D_CLASS, false},
        {"Output to Map (count raster)...", CMD_EXPORT_COUNT_MAP, false},
        {"Output to Map (road height raster)...", CMD_EXPORT_ROAD_HEIGHT, false},
        {"Output Road data to Ds File...", CMD_EXPORT_ROAD_DS, false},
        {"Output NonRoad data to Ds File...", CMD_EXPORT_NONROAD_DS, false}}},
  };
  return all;
}

}  // namespace

QtMainWindow* mainWindow() {
  return theWindow;
}

QtCanvas::QtCanvas(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setPalette(QPalette(Qt::white));
}

void QtCanvas::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  onPaint(theWindow, &painter);
}

void QtCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPoint at = event->position().toPoint();
  onLeftButtonDown(theWindow, static_cast<uint16_t>(at.x()), static_cast<uint16_t>(at.y()));
}

QtMainWindow::QtMainWindow()
    : view_(new QWidget(this)),
      canvas_(new QtCanvas(view_)),
      horizontal_(new QScrollBar(Qt::Horizontal, view_)),
      vertical_(new QScrollBar(Qt::Vertical, view_)) {
  theWindow = this;
  setWindowTitle(MAIN_WINDOW_TITLE);
  setCentralWidget(view_);
  view_->installEventFilter(this);
  buildMenus();
  statusBar()->hide();
  for (bool horizontal : {true, false}) {
    QScrollBar* scrollBar = bar(horizontal);
    scrollBar->setRange(0, 0);
    scrollBar->hide();
    connect(scrollBar, &QScrollBar::actionTriggered, this, [this, horizontal](int action) {
      static const std::map<int, int> codes = {
          {QAbstractSlider::SliderSingleStepSub, SCROLL_LINE_UP},
          {QAbstractSlider::SliderSingleStepAdd, SCROLL_LINE_DOWN},
          {QAbstractSlider::SliderPageStepSub, SCROLL_PAGE_UP},
          {QAbstractSlider::SliderPageStepAdd, SCROLL_PAGE_DOWN},
          {QAbstractSlider::SliderMove, SCROLL_THUMB_TRACK}};
      const auto code = codes.find(action);
      QScrollBar* scrollBar = bar(horizontal);
      const int thumb = scrollBar->sliderPosition();
      scrollBar->setSliderPosition(scrollBar->value());  // the shell moves the bar itself
      if (code != codes.end()) {
        onScroll(this, horizontal ? ws::ScrollBar::Horizontal : ws::ScrollBar::Vertical,
                 code->second, thumb);
      }
    });
  }
  onCreate();
  resize(MAIN_WINDOW_WIDTH, MAIN_WINDOW_HEIGHT);
}

void QtMainWindow::buildMenus() {
  for (const Menu& menu : menus()) {
    QMenu* qmenu = menuBar()->addMenu(menu.title);
    for (const MenuItem& item : menu.items) {
      if (!item.text) {
        qmenu->addSeparator();
        continue;
      }
      QAction* qaction = qmenu->addAction(item.text);
      qaction->setCheckable(item.checkable);
      const int command = item.command;
      connect(qaction, &QAction::triggered, this, [this, command] { runCommand(command); });
      actions_[command] = qaction;
    }
  }
}

QAction* QtMainWindow::action(int command) const {
  const auto found = actions_.find(command);
  return found == actions_.end() ? nullptr : found->second;
}

void QtMainWindow::runCommand(int command) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  statusBar()->showMessage("Working...");
  statusBar()->show();
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
  onCommand(this, command);
  statusBar()->hide();
  QApplication::restoreOverrideCursor();
}

void QtMainWindow::layoutView() {
  const int thickness = style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const int barWidth = vertical_->isVisible() ? thickness : 0;
  const int barHeight = horizontal_->isVisible() ? thickness : 0;
  const QSize area = view_->size();
  canvas_->setGeometry(0, 0, area.width() - barWidth, area.height() - barHeight);
  horizontal_->setGeometry(0, area.height() - barHeight, area.width() - barWidth, barHeight);
  vertical_->setGeometry(area.width() - barWidth, 0, barWidth, area.height() - barHeight);
  if (canvas_->size() != lastCanvasSize_) {
    lastCanvasSize_ = canvas_->size();
    onSize(this);
  }
}

void QtMainWindow::closeEvent(QCloseEvent* event) {
  if (!onClose(this)) {
    event->ignore();
    return;
  }
  onDestroy();
  event->accept();
}

void QtMainWindow::keyPressEvent(QKeyEvent* event) {
  const int key = event->key();
  onKeyDown(this, key == Qt::Key_Home ? Key::Home : key == Qt::Key_End ? Key::End : Key::Other);
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::Resize) layoutView();
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace quorvel
