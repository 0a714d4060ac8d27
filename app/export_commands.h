// The export commands of the main window: a save dialog, then one export of the loaded scan
// and its results to the chosen file.
#pragma once

#include "app/window_system.h"

namespace quorvel {

// Runs command 106 ... 111 and returns true; false for any other command. An export whose
// input does not exist yet names the command to run first instead of asking for a file. A
// failed export shows "Export failure." with the reason, captioned with the file that failed;
// success stays silent.
bool exportCommand(ws::Window window, int command);

}  // namespace quorvel
