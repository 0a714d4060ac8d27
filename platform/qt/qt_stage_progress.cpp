// Long stages on Qt: the stage runs on a thread of its own while this thread keeps the window
// painted; after a second a progress dialog shows the stage's progress with a Cancel button.
// Meanwhile every input to the main window (mouse, keys, wheel, close) is held back, so that
// nothing reads or changes the project while the stage works on it; other windows (the
// progress dialog, a stage's memory message) take input as usual.
#include <QApplication>
#include <QProgressDialog>
#include <QThread>

#include <optional>
#include <thread>

#include "app/window_system.h"
#include "platform/qt/qt_busy_indicator.h"
#include "platform/qt/qt_main_window.h"

namespace quorvel::ws {

namespace {

constexpr int SHOW_AFTER_MS = 1000;  // a stage that ends sooner shows no dialog

bool isInput(QEvent::Type type) {
  switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::MouseButtonRelease:
    case QEvent::MouseButtonDblClick:
    case QEvent::MouseMove:
    case QEvent::Wheel:
    case QEvent::KeyPress:
    case QEvent::KeyRelease:
    case QEvent::ShortcutOverride:
    case QEvent::Shortcut:
    case QEvent::ContextMenu:
    case QEvent::Close:
      return true;
    default:
      return false;
  }
}

// Holds back the input to one window and its widgets while it lives.
class InputHold : public QObject {
 public:
  explicit InputHold(QWidget* window) : window_(window) { qApp->installEventFilter(this); }
  ~InputHold() override { qApp->removeEventFilter(this); }
  InputHold(const InputHold&) = delete;
  InputHold& operator=(const InputHold&) = delete;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto* widget = qobject_cast<QWidget*>(watched);
    return widget && widget->window() == window_ && isInput(event->type());
  }

 private:
  QWidget* window_;
};

}  // namespace

int runStage(Window window, const std::string& task, StageProgress& progress,
             const std::function<int()>& work) {
  auto* main = static_cast<QtMainWindow*>(window);
  const InputHold hold(main);
  std::atomic<bool> done{false};
  int result = 0;
  std::thread worker([&] {
    result = work();
    done = true;
  });
  const QString text = QString::fromStdString(task);
  QProgressDialog dialog(text + "...", "Cancel", 0, 1000, main);
  dialog.setWindowTitle(text);
  dialog.setWindowModality(Qt::WindowModal);
  dialog.setAutoReset(false);
  dialog.setAutoClose(false);
  dialog.setValue(0);  // at its minimum the dialog (re)starts its timer to show after a second
  dialog.setMinimumDuration(SHOW_AFTER_MS);
  std::optional<ModalPause> pause;  // the normal cursor while the dialog shows
  while (!done) {
    QApplication::processEvents(QEventLoop::AllEvents, 20);
    dialog.setValue(progress.permille.load());
    if (dialog.isVisible() && !pause) pause.emplace();
    if (dialog.wasCanceled()) progress.cancel = true;
    if (!done) QThread::msleep(10);
  }
  worker.join();
  return result;
}

}  // namespace quorvel::ws
