#include "platform/qt/qt_busy_indicator.h"

#include <QApplication>
#include <QStatusBar>

namespace quorvel {

namespace {

// Paints what changed without taking user input: no command can start inside another.
void repaintNow() {
  QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

}  // namespace

void beginBusy(QStatusBar* bar, const QString& task) {
  QApplication::setOverrideCursor(Qt::WaitCursor);
  bar->showMessage("Running " + task + "...");
  repaintNow();
}

void endBusy(QStatusBar* bar) {
  bar->clearMessage();
  QApplication::restoreOverrideCursor();
}

ModalPause::ModalPause() : paused_(QApplication::overrideCursor() != nullptr) {
  if (paused_) QApplication::restoreOverrideCursor();
}

ModalPause::~ModalPause() {
  if (!paused_) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  repaintNow();
}

}  // namespace quorvel
