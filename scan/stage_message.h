// The messages a processing stage shows by itself (its memory failures): a message box with
// no owner window and an OK button in the window programs, standard error on the command line.
// Each program links exactly one implementation.
#pragma once

namespace quorvel {

void showStageMessage(const char* text, const char* caption);

}  // namespace quorvel
