// A scriptable, recording window system for tests of the application shell. Every call is
// logged as one line of text with its arguments; file dialogs, message boxes, modal dialogs and
// the Cancel of long stages answer from queues the test fills; the client size is what the test
// sets, less the scroll bars that are showing, and changes of it reach the size handler as WM_SIZE
// would.
#pragma once

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "app/window_system.h"

namespace quorvel::fake {

inline ws::Window const MAIN_WINDOW = reinterpret_cast<ws::Window>(0x1000);
inline constexpr int32_t SCROLL_BAR_THICKNESS = 17;

void reset();  // empty log and queues, no scroll bars, client 784 x 542, no size handler

const std::vector<std::string>& calls();  // e.g. messageBox(none, "Load MDL file failure.", ...)
std::vector<std::string> callsNamed(const std::string& name);  // the lines starting with name(
void clearCalls();

void setClientSize(int32_t width, int32_t height);  // with the scroll bars that show
void setSizeHandler(std::function<void()> handler);

void queueFileDialog(std::optional<std::string> path);  // nullopt: the user cancels
void queueMessageAnswer(ws::MessageAnswer answer);      // default when empty: Ok

struct DialogAnswer {
  std::map<int, std::string> typed;  // control id -> what the user leaves in the field
  int button = 1;                    // 1 Ok, 2 Cancel
};
// Answers until the dialog ends; when the queue is empty: Ok without typing at first, then
// Cancel.
void queueDialog(DialogAnswer answer);
// Whether the user cancels the next stage at once (true) or lets it run (false, the default
// when the queue is empty); the stage runs straight through either way.
void queueStageCancel(bool cancel);
// The texts the last dialog's controls held right after it opened, and when it closed.
const std::map<int, std::string>& lastDialogTexts();
const std::map<int, std::string>& closedDialogTexts();

ws::ScrollState scrollState(ws::ScrollBar bar);
bool menuChecked(int command);
const std::string& windowTitle();  // the last one set

}  // namespace quorvel::fake
