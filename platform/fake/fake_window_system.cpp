#include "platform/fake/fake_window_system.h"

#include <deque>
#include <sstream>

namespace quorvel::fake {

namespace {

struct FakeState {
  std::vector<std::string> calls;
  int32_t outerWidth = 784, outerHeight = 542;
  ws::ScrollState horizontal, vertical;
  std::function<void()> sizeHandler;
  std::deque<std::optional<std::string>> fileAnswers;
  std::deque<ws::MessageAnswer> messageAnswers;
  std::deque<DialogAnswer> dialogAnswers;
  std::deque<bool> stageCancels;
  std::map<int, std::string> dialogTexts, lastDialogTexts;
  std::map<int, bool> menuChecks;
  std::string title;
  intptr_t dialogResult = 0;
};

FakeState state;

std::string quoted(const std::string& text) {
  return "\"" + text + "\"";
}
std::string ownerName(ws::Window owner) {
  return owner ? "main" : "none";
}
std::string barName(ws::ScrollBar bar) {
  return bar == ws::ScrollBar::Horizontal ? "horizontal" : "vertical";
}
ws::ScrollState& bar(ws::ScrollBar which) {
  return which == ws::ScrollBar::Horizontal ? state.horizontal : state.vertical;
}
bool showing(const ws::ScrollState& s) {
  return s.max > s.min;
}

template <typename... Parts>
void log(const std::string& name, const Parts&... parts) {
  std::ostringstream line;
  line << name << "(";
  int index = 0;
  ((line << (index++ ? ", " : "") << parts), ...);
  line << ")";
  state.calls.push_back(line.str());
}

std::string describe(const ws::FileDialog& dialog) {
  std::string text = quoted(dialog.title) + ", [";
  for (const ws::FileFilter& filter : dialog.filters) {
    text += quoted(filter.description) + " " + quoted(filter.pattern) + ";";
  }
  text += "], ext=" + quoted(dialog.defaultExtension) + ", flags=" + std::to_string(dialog.flags);
  if (!dialog.folder.empty()) text += ", in " + quoted(dialog.folder);
  if (!dialog.proposedName.empty()) text += ", name=" + quoted(dialog.proposedName);
  return text;
}

bool fileDialog(const char* name, ws::Window owner, const ws::FileDialog& dialog,
                std::string& path) {
  log(name, ownerName(owner), describe(dialog));
  std::optional<std::string> answer;
  if (!state.fileAnswers.empty()) {
    answer = state.fileAnswers.front();
    state.fileAnswers.pop_front();
  }
  if (!answer) return false;
  path = *answer;
  return true;
}

}  // namespace

void reset() {
  state = FakeState{};
}
const std::vector<std::string>& calls() {
  return state.calls;
}
void clearCalls() {
  state.calls.clear();
}

std::vector<std::string> callsNamed(const std::string& name) {
  std::vector<std::string> found;
  for (const std::string& call : state.calls) {
    if (call.rfind(name + "(", 0) == 0) found.push_back(call);
  }
  return found;
}

void setClientSize(int32_t width, int32_t height) {
  state.outerWidth = width;
  state.outerHeight = height;
}

void setSizeHandler(std::function<void()> handler) {
  state.sizeHandler = std::move(handler);
}
void queueFileDialog(std::optional<std::string> path) {
  state.fileAnswers.push_back(path);
}
void queueMessageAnswer(ws::MessageAnswer answer) {
  state.messageAnswers.push_back(answer);
}
void queueDialog(DialogAnswer answer) {
  state.dialogAnswers.push_back(std::move(answer));
}
void queueStageCancel(bool cancel) {
  state.stageCancels.push_back(cancel);
}
const std::map<int, std::string>& lastDialogTexts() {
  return state.lastDialogTexts;
}
const std::map<int, std::string>& closedDialogTexts() {
  return state.dialogTexts;
}
ws::ScrollState scrollState(ws::ScrollBar which) {
  return bar(which);
}
bool menuChecked(int command) {
  return state.menuChecks[command];
}
const std::string& windowTitle() {
  return state.title;
}

}  // namespace quorvel::fake

namespace quorvel::ws {

using fake::log;
using fake::state;

MessageAnswer messageBox(Window owner, const std::string& text, const std::string& caption,
                         MessageButtons buttons, MessageIcon icon) {
  log("messageBox", fake::ownerName(owner), fake::quoted(text), fake::quoted(caption),
      buttons == MessageButtons::Ok ? "Ok" : "OkCancel",
      icon == MessageIcon::None ? "NoIcon" : "Question");
  if (state.messageAnswers.empty()) return MessageAnswer::Ok;
  const MessageAnswer answer = state.messageAnswers.front();
  state.messageAnswers.pop_front();
  return answer;
}

bool openFileDialog(Window owner, const FileDialog& dialog, std::string& path) {
  return fake::fileDialog("openFileDialog", owner, dialog, path);
}

bool saveFileDialog(Window owner, const FileDialog& dialog, std::string& path) {
  return fake::fileDialog("saveFileDialog", owner, dialog, path);
}

ClientRect clientRect(Window) {
  const int32_t barWidth = fake::showing(state.vertical) ? fake::SCROLL_BAR_THICKNESS : 0;
  const int32_t barHeight = fake::showing(state.horizontal) ? fake::SCROLL_BAR_THICKNESS : 0;
  return {state.outerWidth - barWidth, state.outerHeight - barHeight};
}

void resizeClientArea(Window, int32_t width, int32_t height, bool horizontalBar, bool verticalBar) {
  log("resizeClientArea", width, height, horizontalBar ? "horizontal bar" : "-",
      verticalBar ? "vertical bar" : "-");
  state.outerWidth = width + (verticalBar ? fake::SCROLL_BAR_THICKNESS : 0);
  state.outerHeight = height + (horizontalBar ? fake::SCROLL_BAR_THICKNESS : 0);
  if (state.sizeHandler) state.sizeHandler();
}

bool hasScrollBarStyle(Window, ScrollBar bar) {
  return fake::showing(fake::bar(bar));
}
int32_t scrollBarThickness(ScrollBar) {
  return fake::SCROLL_BAR_THICKNESS;
}
ScrollState scrollState(Window, ScrollBar bar) {
  return fake::bar(bar);
}

void setScrollRange(Window, ScrollBar which, int32_t min, int32_t max) {
  log("setScrollRange", fake::barName(which), min, max);
  ScrollState& bar = fake::bar(which);
  const bool wasShowing = fake::showing(bar);
  bar.min = min;
  bar.max = max;
  bar.pos = std::min(std::max(bar.pos, min), std::max(min, max));
  if (wasShowing != fake::showing(bar) && state.sizeHandler) state.sizeHandler();
}

void setScrollPosition(Window, ScrollBar which, int32_t pos) {
  log("setScrollPosition", fake::barName(which), pos);
  fake::bar(which).pos = pos;
}

void scrollWindow(Window, int32_t dx, int32_t dy) {
  log("scrollWindow", dx, dy);
}
void invalidate(Window) {
  log("invalidate");
}

void checkMenuItem(Window, int command, bool checked) {
  log("checkMenuItem", command, checked ? "checked" : "unchecked");
  state.menuChecks[command] = checked;
}

void setWindowTitle(Window, const std::string& title) {
  log("setWindowTitle", fake::quoted(title));
  state.title = title;
}

void postCloseRequest(Window) {
  log("postCloseRequest");
}

// The user answers from the queue until the dialog ends: Ok without typing when the queue is
// empty at first, Cancel when it runs out while the dialog stays open.
intptr_t runModalDialog(Window owner, int resourceId, DialogProcedure procedure) {
  log("runModalDialog", fake::ownerName(owner), resourceId);
  state.dialogTexts.clear();
  state.dialogResult = -1;
  DialogWindow dialog = reinterpret_cast<DialogWindow>(0x2000);
  procedure(dialog, DialogEvent::InitDialog, 0);
  state.lastDialogTexts = state.dialogTexts;
  for (bool first = true; state.dialogResult == -1; first = false) {
    fake::DialogAnswer answer{{}, first ? 1 : 2};
    if (!state.dialogAnswers.empty()) {
      answer = state.dialogAnswers.front();
      state.dialogAnswers.pop_front();
    }
    for (const auto& [control, text] : answer.typed) state.dialogTexts[control] = text;
    procedure(dialog, DialogEvent::Command, answer.button);
  }
  return state.dialogResult;
}

void setDialogItemText(DialogWindow, int item, const std::string& text) {
  state.dialogTexts[item] = text;
}

std::string dialogItemText(DialogWindow, int item, int maxChars) {
  return state.dialogTexts[item].substr(0, static_cast<size_t>(maxChars));
}

void endDialog(DialogWindow, intptr_t result) {
  log("endDialog", result);
  state.dialogResult = result;
}

int runStage(Window, const std::string& task, StageProgress& progress,
             const std::function<int()>& work) {
  log("runStage", fake::quoted(task));
  if (!state.stageCancels.empty()) {
    progress.cancel = state.stageCancels.front();
    state.stageCancels.pop_front();
  }
  return work();
}

void setWindowOrigin(PaintContext, int32_t x, int32_t y) {
  log("setWindowOrigin", x, y);
}
void beginTileCopies(PaintContext) {
  log("beginTileCopies");
}
void endTileCopies(PaintContext) {
  log("endTileCopies");
}

void stretchTile(PaintContext, TileBitmap, int32_t width, int32_t height, int32_t x, int32_t y,
                 int32_t destWidth, int32_t destHeight) {
  log("stretchTile", width, height, x, y, destWidth, destHeight);
}

void selectWhiteBrush(PaintContext) {
  log("selectWhiteBrush");
}
void restoreBrush(PaintContext) {
  log("restoreBrush");
}
void selectBlackPen(PaintContext) {
  log("selectBlackPen");
}
void moveTo(PaintContext, int32_t x, int32_t y) {
  log("moveTo", x, y);
}
void lineTo(PaintContext, int32_t x, int32_t y) {
  log("lineTo", x, y);
}

void ellipse(PaintContext, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  log("ellipse", left, top, right, bottom);
}

}  // namespace quorvel::ws
