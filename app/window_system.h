// The window system as the application shell sees it: plain functions, one implementation
// linked per program (platform/win32 for Windows, platform/fake for the tests). No type of a
// real window system appears here: handles cross as opaque values.
//
// Sections: message boxes, file dialogs, the main window (size, scroll bars, repaint, menu),
// modal dialogs, painting.
#pragma once

#include <cstdint>
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
// Resizes the window so that its client area is width x height (menu and frame added), keeping
// its position and z-order.
void resizeClientArea(Window window, int32_t width, int32_t height);
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
