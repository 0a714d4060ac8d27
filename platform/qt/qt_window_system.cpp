// The window-system layer on Qt 6 Widgets, with the behaviour of the Windows program: the same
// texts, captions, buttons, owners, filters and dialogs.
#include <QApplication>
#include <QFileDialog>
#include <QLayout>
#include <QMessageBox>
#include <QPainter>
#include <QStyle>

#include "app/window_system.h"
#include "platform/qt/qt_busy_indicator.h"
#include "platform/qt/qt_dialogs.h"
#include "platform/qt/qt_main_window.h"

namespace quorvel::ws {

namespace {

QtMainWindow* windowOf(Window window) {
  return static_cast<QtMainWindow*>(window);
}
QPainter* painterOf(PaintContext dc) {
  return static_cast<QPainter*>(dc);
}

// The pen position of MoveToEx / LineTo.
QPoint penPosition;

// "MDL File(*.mdl)" with pattern "*.mdl*" becomes "MDL File(*.mdl) (*.mdl*)": Qt reads the
// patterns from the last parentheses.
QStringList nameFilters(const FileDialog& dialog) {
  QStringList filters;
  for (const FileFilter& filter : dialog.filters) {
    filters << QString::fromStdString(filter.description + " (" + filter.pattern + ")");
  }
  return filters;
}

bool fileDialog(bool save, Window owner, const FileDialog& dialog, std::string& path) {
  QFileDialog chooser(windowOf(owner), QString::fromStdString(dialog.title));
  chooser.setOption(QFileDialog::DontUseNativeDialog);
  chooser.setNameFilters(nameFilters(dialog));
  chooser.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
  chooser.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
  if (save && !(dialog.flags & FILE_OVERWRITE_PROMPT)) {
    chooser.setOption(QFileDialog::DontConfirmOverwrite);
  }
  if (!dialog.defaultExtension.empty()) {
    chooser.setDefaultSuffix(QString::fromStdString(dialog.defaultExtension));
  }
  if (!dialog.folder.empty()) chooser.setDirectory(QString::fromStdString(dialog.folder));
  if (!dialog.proposedName.empty()) chooser.selectFile(QString::fromStdString(dialog.proposedName));
  const ModalPause pause;
  if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty()) return false;
  const std::string chosen = chooser.selectedFiles().front().toStdString();
  if (chosen.size() >= FILE_DIALOG_BUFFER) return false;  // the window system's path limit
  path = chosen;
  return true;
}

}  // namespace

MessageAnswer messageBox(Window owner, const std::string& text, const std::string& caption,
                         MessageButtons buttons, MessageIcon icon) {
  QMessageBox box(
      icon == MessageIcon::Question ? QMessageBox::Question : QMessageBox::NoIcon,
      QString::fromStdString(caption), QString::fromStdString(text),
      buttons == MessageButtons::Ok ? QMessageBox::Ok : QMessageBox::Ok | QMessageBox::Cancel,
      windowOf(owner));
  const ModalPause pause;
  return box.exec() == QMessageBox::Ok ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

bool openFileDialog(Window owner, const FileDialog& dialog, std::string& path) {
  return fileDialog(false, owner, dialog, path);
}

bool saveFileDialog(Window owner, const FileDialog& dialog, std::string& path) {
  return fileDialog(true, owner, dialog, path);
}

ClientRect clientRect(Window window) {
  const QSize size = windowOf(window)->canvas()->size();
  return {size.width(), size.height()};
}

// The window keeps what it has beyond the canvas and its scroll bars (menu bar, status bar) and
// gets the scroll bars asked for, so that the canvas, the client area, is exactly what is asked.
void resizeClientArea(Window window, int32_t width, int32_t height, bool horizontalBar,
                      bool verticalBar) {
  QtMainWindow* main = windowOf(window);
  const QSize canvas = main->canvas()->size();
  const int thickness = QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
  const auto shown = [&](bool horizontal) {
    return main->bar(horizontal)->isVisible() ? thickness : 0;
  };
  main->resize(
      main->width() - canvas.width() - shown(false) + width + (verticalBar ? thickness : 0),
      main->height() - canvas.height() - shown(true) + height + (horizontalBar ? thickness : 0));
  if (QLayout* layout = main->layout()) layout->activate();
  main->layoutView();
}

bool hasScrollBarStyle(Window window, ScrollBar bar) {
  return windowOf(window)->bar(bar == ScrollBar::Horizontal)->isVisible();
}

int32_t scrollBarThickness(ScrollBar) {
  return QApplication::style()->pixelMetric(QStyle::PM_ScrollBarExtent);
}

ScrollState scrollState(Window window, ScrollBar bar) {
  const QScrollBar* scrollBar = windowOf(window)->bar(bar == ScrollBar::Horizontal);
  return {scrollBar->minimum(), scrollBar->maximum(), scrollBar->value()};
}

void setScrollRange(Window window, ScrollBar bar, int32_t min, int32_t max) {
  QtMainWindow* main = windowOf(window);
  QScrollBar* scrollBar = main->bar(bar == ScrollBar::Horizontal);
  scrollBar->setRange(min, max);
  const int32_t size =
      bar == ScrollBar::Horizontal ? main->canvas()->width() : main->canvas()->height();
  scrollBar->setPageStep(std::max(1, size));
  const bool show = max > min;
  if (show != scrollBar->isVisible()) {
    scrollBar->setVisible(show);
    main->layoutView();
  }
}

void setScrollPosition(Window window, ScrollBar bar, int32_t pos) {
  windowOf(window)->bar(bar == ScrollBar::Horizontal)->setValue(pos);
}

void scrollWindow(Window window, int32_t, int32_t) {
  windowOf(window)->canvas()->update();
}
void invalidate(Window window) {
  windowOf(window)->canvas()->update();
}

void checkMenuItem(Window window, int command, bool checked) {
  if (QAction* action = windowOf(window)->action(command)) action->setChecked(checked);
}

void setWindowTitle(Window window, const std::string& title) {
  windowOf(window)->setWindowTitle(QString::fromStdString(title));
}

void postCloseRequest(Window window) {
  QMetaObject::invokeMethod(windowOf(window), "close", Qt::QueuedConnection);
}

intptr_t runModalDialog(Window owner, int resourceId, DialogProcedure procedure) {
  const ModalPause pause;
  return runQtDialog(windowOf(owner), resourceId, procedure);
}

void setDialogItemText(DialogWindow dialog, int item, const std::string& text) {
  setQtDialogItemText(dialog, item, text);
}

std::string dialogItemText(DialogWindow dialog, int item, int maxChars) {
  return qtDialogItemText(dialog, item).substr(0, static_cast<size_t>(maxChars));
}

void endDialog(DialogWindow dialog, intptr_t result) {
  endQtDialog(dialog, result);
}

void setWindowOrigin(PaintContext dc, int32_t x, int32_t y) {
  painterOf(dc)->resetTransform();
  painterOf(dc)->translate(-x, -y);
}

void beginTileCopies(PaintContext) {}
void endTileCopies(PaintContext) {}

void stretchTile(PaintContext dc, TileBitmap bitmap, int32_t, int32_t, int32_t x, int32_t y,
                 int32_t destWidth, int32_t destHeight) {
  painterOf(dc)->drawImage(QRect(x, y, destWidth, destHeight), *static_cast<QImage*>(bitmap));
}

void selectWhiteBrush(PaintContext dc) {
  painterOf(dc)->setBrush(Qt::white);
}
void restoreBrush(PaintContext dc) {
  painterOf(dc)->setBrush(Qt::NoBrush);
}
void selectBlackPen(PaintContext dc) {
  painterOf(dc)->setPen(Qt::black);
}
void moveTo(PaintContext, int32_t x, int32_t y) {
  penPosition = QPoint(x, y);
}

void lineTo(PaintContext dc, int32_t x, int32_t y) {
  painterOf(dc)->drawLine(penPosition, QPoint(x, y));
  penPosition = QPoint(x, y);
}

void ellipse(PaintContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  painterOf(dc)->drawEllipse(QRect(left, top, right - left - 1, bottom - top - 1));
}

}  // namespace quorvel::ws
