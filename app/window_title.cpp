#include "app/window_title.h"

#include <filesystem>

#include "app/main_window.h"

namespace quorvel {

std::string windowTitle(const ViewState& view) {
  std::string title;
  if (!view.project.empty()) {
    title = std::filesystem::path(view.project).filename().string() + " - ";
  }
  if (!view.picture.empty()) title += view.picture + " picture - ";
  return title + MAIN_WINDOW_TITLE;
}

void showWindowTitle(ws::Window window) {
  ws::setWindowTitle(window, windowTitle(viewState));
}

}  // namespace quorvel
