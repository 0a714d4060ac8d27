// The main window's title: the project's file name and the picture shown, then the program's
// name ("sim.mdl - range picture - QuorvelApp"); the program's name alone before any project.
#pragma once

#include <string>

#include "app/view_state.h"
#include "app/window_system.h"

namespace quorvel {

std::string windowTitle(const ViewState& view);
void showWindowTitle(ws::Window window);  // the title of viewState

}  // namespace quorvel
