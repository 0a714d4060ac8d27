// The sign that a command works. The window stays blocked while a command runs, as on Windows,
// but shows the wait cursor and the command's name in the status bar, painted before the work
// starts. A message box or dialog that the command opens gets the normal cursor back while it
// waits for the user.
#pragma once

#include <QString>

class QStatusBar;

namespace quorvel {

void beginBusy(QStatusBar* bar, const QString& task);  // "Running TASK..." until endBusy
void endBusy(QStatusBar* bar);

// Lifts the wait cursor, if any, for its lifetime; afterwards the wait cursor returns and what
// the box or dialog covered is repainted.
class ModalPause {
 public:
  ModalPause();
  ~ModalPause();
  ModalPause(const ModalPause&) = delete;
  ModalPause& operator=(const ModalPause&) = delete;

 private:
  bool paused_;
};

}  // namespace quorvel
