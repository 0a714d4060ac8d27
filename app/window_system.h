// The window system as the application shell sees it: plain functions, one implementation
// linked per program (platform/win32 for Windows, platform/fake for the tests). No type of a
// real window system appears here: handles cross as opaque values.
//
// Sections: message boxes, file dialogs, the main window (size, scroll bars, repaint, menu),
// modal dialogs, long stages, painting.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "render/tile_bitmap.h"

namespace quorvel::ws {

using Window = void*;        // HWND: the main window; none = nullptr
using DialogWindow = void*;  // HWND of a modal dialog
using PaintContext = void*;  // HDC of a paint

// [Message boxes] -------------------------------------------------------------------------

enum class MessageButtons { Ok, OkCancel };
enum class MessageIcon { None, Question };
enum class MessageAnswer { Ok, Cancel };

// owner none: the box belongs to no window. Returns the button pressed.
MessageAnswer messageBox(Window owner, const std::string& text, const std::string& caption,
                         MessageButtons buttons, MessageIcon icon);

// [File dialogs] --------------------------------------------------------------------------

// The OFN_* flag values of the common dialogs.
inline constexpr uint32_t FILE_OVERWRITE_PROMPT = 0x2;
inline constexpr uint32_t FILE_HIDE_READ_ONLY = 0x4;
inline constexpr uint32_t FILE_MUST_EXIST = 0x1000;
inline constexpr size_t FILE_DIALOG_BUFFER = 260;  // characters, terminator included

struct FileFilter {
  std::string description;  // "MDL File(*.mdl)"
  std::string pattern;      // "*.mdl*"
};

struct FileDialog {
  std::string title;
  std::vector<FileFilter> filters;
  std::string defaultExtension;  // empty: none
  uint32_t flags = 0;            // OFN_* values
  std::string folder;            // where the dialog opens; empty: where the platform chooses
  std::string proposedName;      // the file name it proposes; empty: none
};

// Fill path with the chosen full path and return true; false when the user cancelled.
bool openFileDialog(Window owner, const FileDialog& dialog, std::string& path);
bool saveFileDialog(Window owner, const FileDialog& dialog, std::string& path);

// [Main window] ---------------------------------------------------------------------------

enum class ScrollBar { Horizontal, Vertical };

struct ClientRect {
  int32_t right = 0;   // width
  int32_t bottom = 0;  // height
};

ClientRect clientRect(Window window);
// Resizes the window so that its client area is width x height beside the scroll bars it names
// (menu, frame and those bars added), keeping its position and z-order.
void resizeClientArea(Window window, int32_t width, int32_t height, bool horizontalBar,
                      bool verticalBar);
bool hasScrollBarStyle(Window window, ScrollBar bar);  // WS_HSCROLL / WS_VSCROLL set
int32_t scrollBarThickness(ScrollBar bar);  // SM_CYHSCROLL (horizontal), SM_CXVSCROLL (vertical)

struct ScrollState {
  int32_t min = 0, max = 0, pos = 0;
};

ScrollState scrollState(Window window, ScrollBar bar);
void setScrollRange(Window window, ScrollBar bar, int32_t min, int32_t max);  // redraws; 0..0 hides
void setScrollPosition(Window window, ScrollBar bar, int32_t pos);            // redraws
void scrollWindow(Window window, int32_t dx, int32_t dy);  // moves the content, no clip rect
void invalidate(Window window);                            // the whole client area, with erasing
void checkMenuItem(Window window, int command, bool checked);
void setWindowTitle(Window window, const std::string& title);
void postCloseRequest(Window window);  // WM_CLOSE through the message queue

// [Modal dialogs] -------------------------------------------------------------------------

enum class DialogEvent { InitDialog, Command, Other };

// The logic of a dialog (in app/): returns true or false in the dialog-procedure sense.
using DialogProcedure = bool (*)(DialogWindow dialog, DialogEvent event, int command);

// Shows dialog template resourceId modally, owned by owner; returns what endDialog was given.
intptr_t runModalDialog(Window owner, int resourceId, DialogProcedure procedure);
void setDialogItemText(DialogWindow dialog, int item, const std::string& text);
std::string dialogItemText(DialogWindow dialog, int item, int maxChars);
void endDialog(DialogWindow dialog, intptr_t result);

// [Long stages] ---------------------------------------------------------------------------

// How far a running stage has come and whether the user asks it to stop: the stage's threads
// write `permille`, the window system reads it and sets `cancel`.
struct StageProgress {
  std::atomic<bool> cancel{false};
  std::atomic<int> permille{0};  // 0 ... 1000
};

// Runs `work`, a stage that may take long, and returns its result. Meanwhile the window takes
// no input; a stage that takes over a second shows `task` with a progress bar and a Cancel
// button that sets progress.cancel. The work may run on another thread (it touches the project,
// which nothing else does meanwhile); a window system may also run it straight through.
int runStage(Window window, const std::string& task, StageProgress& progress,
             const std::function<int()>& work);

// [Painting] ------------------------------------------------------------------------------

void setWindowOrigin(PaintContext dc, int32_t x, int32_t y);
void beginTileCopies(PaintContext dc);  // one memory context for the paint's tile copies
void endTileCopies(PaintContext dc);
// Copies the whole tile bitmap (width x height) scaled into the destination rectangle.
void stretchTile(PaintContext dc, TileBitmap bitmap, int32_t width, int32_t height, int32_t x,
                 int32_t y, int32_t destWidth, int32_t destHeight);
void selectWhiteBrush(PaintContext dc);  // the stock white brush
void restoreBrush(PaintContext dc);      // the brush before selectWhiteBrush
void selectBlackPen(PaintContext dc);    // the stock black pen
void moveTo(PaintContext dc, int32_t x, int32_t y);
void lineTo(PaintContext dc, int32_t x, int32_t y);  // with the current pen
void ellipse(PaintContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom);

}  // namespace quorvel::ws
