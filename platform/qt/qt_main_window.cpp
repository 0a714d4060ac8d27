#include "platform/qt/qt_main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QSettings>
#include <QStatusBar>
#include <QStyle>
#include <QWheelEvent>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/recent_projects.h"
#include "app/status_text.h"
#include "app/view.h"
#include "platform/qt/qt_busy_indicator.h"
#include "platform/qt/qt_legend.h"

namespace quorvel {

namespace {

QtMainWindow* theWindow = nullptr;

// Quick items change a setting or open a dialog; long ones compute and show that they work. The
// recent projects are a submenu of their own.
enum class ItemKind { Quick, Check, Long, Recent };

struct MenuItem {
  const char* text;  // nullptr: a separator
  int command;
  ItemKind kind;
};

struct Menu {
  const char* title;
  std::vector<MenuItem> items;
};

// The menus of the Windows program, with the items it adds for the menu-less commands.
const std::vector<Menu>& menus() {
  static const std::vector<Menu> all = {
      {"File",
       {{"Load Mdl", CMD_LOAD_MDL, ItemKind::Long},
        {"Recent Projects", 0, ItemKind::Recent},
        {"About", CMD_ABOUT, ItemKind::Quick},
        {"Exit", CMD_EXIT, ItemKind::Quick}}},
      {"Zoom",
       {{"25%", CMD_ZOOM_25, ItemKind::Quick},
        {"50%", CMD_ZOOM_50, ItemKind::Quick},
        {"100%", CMD_ZOOM_100, ItemKind::Quick},
        {"150%", CMD_ZOOM_150, ItemKind::Quick},
        {"200%", CMD_ZOOM_200, ItemKind::Quick}}},
      {"Action",
       {{"RangeImage", CMD_RANGE_IMAGE, ItemKind::Long},
        {"VarianceMap", CMD_VARIANCE_MAP, ItemKind::Long},
        {"NormalMap", CMD_NORMAL_MAP, ItemKind::Long},
        {"ContourMap", CMD_CONTOUR_MAP, ItemKind::Long},
        {"LineSegger", CMD_LINE_SEGGER, ItemKind::Long},
        {nullptr, 0, ItemKind::Quick},
        {"Segment Regions", CMD_SEGMENT_REGIONS, ItemKind::Long},
        {"RegionMap", CMD_REGION_MAP, ItemKind::Long}}},
      {"Options",
       {{"Inverse", CMD_INVERSE, ItemKind::Check},
        {nullptr, 0, ItemKind::Quick},
        {"Query Mode", CMD_QUERY_MODE, ItemKind::Check},
        {"Tile Outlines", CMD_TILE_OUTLINES, ItemKind::Check},
        {"Set Mask Range...", CMD_MASK_RANGE, ItemKind::Quick}}},
      {"Export",
       {{"Output to RGB PT3D (colour by normal)...", CMD_EXPORT_PT3D_NORMAL, ItemKind::Long},
        {"Output to RGB PT3D (colour by class)...", CMD_EXPORT_PT3D_CLASS, ItemKind::Long},
        {"Output to Map (count raster)...", CMD_EXPORT_COUNT_MAP, ItemKind::Long},
        {"Output to Map (road height raster)...", CMD_EXPORT_ROAD_HEIGHT, ItemKind::Long},
        {"Output Road data to Ds File...", CMD_EXPORT_ROAD_DS, ItemKind::Long},
        {"Output NonRoad data to Ds File...", CMD_EXPORT_NONROAD_DS, ItemKind::Long}}},
  };
  return all;
}

// The item's text without the "..." of an item that opens a dialog.
QString taskName(const QAction* action) {
  QString text = action->text();
  if (text.endsWith("...")) text.chop(3);
  return text;
}

// Where the recent projects are kept between runs (~/.config/Quorvel/quorvel-gui.conf).
QSettings settings() {
  return QSettings("Quorvel", "quorvel-gui");
}

std::vector<std::string> recentProjects() {
  std::vector<std::string> recent;
  for (const QString& path : settings().value("recentProjects").toStringList()) {
    recent.push_back(path.toStdString());
  }
  return recent;
}

// Wheel notches: 120 eighths of a degree each; a finer wheel's part of a notch counts as one.
int notches(int delta) {
  if (delta == 0) return 0;
  const int whole = delta / 120;
  return whole != 0 ? whole : (delta > 0 ? 1 : -1);
}

Key keyOf(int key) {
  static const std::map<int, Key> keys = {
      {Qt::Key_Home, Key::Home},     {Qt::Key_End, Key::End},
      {Qt::Key_Left, Key::Left},     {Qt::Key_Right, Key::Right},
      {Qt::Key_Up, Key::Up},         {Qt::Key_Down, Key::Down},
      {Qt::Key_PageUp, Key::PageUp}, {Qt::Key_PageDown, Key::PageDown}};
  const auto found = keys.find(key);
  return found == keys.end() ? Key::Other : found->second;
}

}  // namespace

QtMainWindow* mainWindow() {
  return theWindow;
}

QtCanvas::QtCanvas(QWidget* parent) : QWidget(parent) {
  setAutoFillBackground(true);
  setPalette(QPalette(Qt::white));
  setMouseTracking(true);
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

void QtCanvas::mouseMoveEvent(QMouseEvent* event) {
  theWindow->showPointer(event->position().toPoint());
}

void QtCanvas::leaveEvent(QEvent*) {
  theWindow->showPointer({-1, -1});
}

void QtCanvas::wheelEvent(QWheelEvent* event) {
  const QPoint at = event->position().toPoint();
  const QPoint delta = event->angleDelta();
  const int turned = notches(delta.y() != 0 ? delta.y() : delta.x());
  if (event->modifiers() & Qt::ControlModifier) {
    zoomAbout(theWindow, turned, at.x(), at.y());
  } else {
    const bool sideways = (event->modifiers() & Qt::ShiftModifier) || delta.y() == 0;
    onWheel(theWindow, sideways ? ws::ScrollBar::Horizontal : ws::ScrollBar::Vertical, turned);
  }
  theWindow->refreshStatus();
  theWindow->showPointer(at);
  event->accept();
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
  buildStatusBar();
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
  refreshStatus();
}

// Always shown: a status bar that came and went would resize the view. On the left the sample
// under the pointer (or "Running ..." while a command works), on the right the legend and the
// zoom; none of them keeps the window from fitting a small picture.
void QtMainWindow::buildStatusBar() {
  statusBar()->setSizeGripEnabled(false);
  pointer_ = new QLabel(statusBar());
  zoom_ = new QLabel(statusBar());
  legend_ = new QtLegend(statusBar());
  pointer_->setObjectName("pointer");
  zoom_->setObjectName("zoom");
  for (QLabel* label : {pointer_, zoom_}) label->setMinimumWidth(1);
  statusBar()->addWidget(pointer_, 1);
  statusBar()->addPermanentWidget(legend_);
  statusBar()->addPermanentWidget(zoom_);
}

void QtMainWindow::refreshStatus() {
  zoom_->setText(QString::fromStdString(zoomText()));
  legend_->refresh();
  fillRecentMenu();
}

void QtMainWindow::showPointer(const QPoint& at) {
  const bool inside = canvas_->rect().contains(at);
  pointer_->setText(inside ? QString::fromStdString(pointerText(this, at.x(), at.y())) : "");
}

void QtMainWindow::fillRecentMenu() {
  recentMenu_->clear();
  for (const std::string& path : recentProjects()) {
    const QString file = QString::fromStdString(path);
    connect(recentMenu_->addAction(file), &QAction::triggered, this,
            [this, file] { openProjectFile(file); });
  }
  recentMenu_->setEnabled(!recentMenu_->isEmpty());
}

void QtMainWindow::rememberProject(const std::string& path) {
  QStringList list;
  for (const std::string& recent : withRecentProject(recentProjects(), path)) {
    list << QString::fromStdString(recent);
  }
  settings().setValue("recentProjects", list);
}

void QtMainWindow::openProjectFile(const QString& path) {
  if (busy_) return;
  const QScopedValueRollback<bool> busy(busy_, true);
  beginBusy(statusBar(), "Load Mdl");
  const std::string absolute = QFileInfo(path).absoluteFilePath().toStdString();
  if (openProject(this, absolute)) rememberProject(absolute);
  endBusy(statusBar());
  refreshStatus();
}

void QtMainWindow::openArguments(const QStringList& arguments) {
  if (arguments.size() > 1) openProjectFile(arguments.at(1));
}

void QtMainWindow::buildMenus() {
  for (const Menu& menu : menus()) {
    QMenu* qmenu = menuBar()->addMenu(menu.title);
    for (const MenuItem& item : menu.items) {
      if (!item.text) {
        qmenu->addSeparator();
        continue;
      }
      if (item.kind == ItemKind::Recent) {
        recentMenu_ = qmenu->addMenu(item.text);
        recentMenu_->setObjectName("recent");
        continue;
      }
      QAction* qaction = qmenu->addAction(item.text);
      qaction->setCheckable(item.kind == ItemKind::Check);
      const int command = item.command;
      connect(qaction, &QAction::triggered, this, [this, command] { runCommand(command); });
      if (item.kind == ItemKind::Long) longCommands_.insert(command);
      actions_[command] = qaction;
    }
  }
}

QAction* QtMainWindow::action(int command) const {
  const auto found = actions_.find(command);
  return found == actions_.end() ? nullptr : found->second;
}

void QtMainWindow::runCommand(int command) {
  if (busy_) return;
  const QScopedValueRollback<bool> busy(busy_, true);
  if (!longCommands_.count(command)) {
    onCommand(this, command);
  } else {
    beginBusy(statusBar(), taskName(action(command)));
    onCommand(this, command);
    endBusy(statusBar());
  }
  if (command == CMD_LOAD_MDL && !viewState.project.empty() && !viewState.picture.empty()) {
    rememberProject(viewState.project);
  }
  refreshStatus();
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
  if (busy_ || !onClose(this)) {
    event->ignore();
    return;
  }
  onDestroy();
  event->accept();
}

void QtMainWindow::keyPressEvent(QKeyEvent* event) {
  onKeyDown(this, keyOf(event->key()));
  refreshStatus();
}

bool QtMainWindow::eventFilter(QObject* watched, QEvent* event) {
  if (watched == view_ && event->type() == QEvent::Resize) layoutView();
  return QMainWindow::eventFilter(watched, event);
}

}  // namespace quorvel
