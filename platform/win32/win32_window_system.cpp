// The window-system layer on Win32: each function is the user32 / gdi32 / comdlg32 call that
// the application shell expects of it.
#include <windows.h>
// after windows.h, which it needs
#include <commdlg.h>

#include "app/window_system.h"

namespace quorvel::ws {

namespace {

HWND handle(Window window) {
  return static_cast<HWND>(window);
}
HDC context(PaintContext dc) {
  return static_cast<HDC>(dc);
}
int barOf(ScrollBar bar) {
  return bar == ScrollBar::Horizontal ? SB_HORZ : SB_VERT;
}

bool showsBar(HWND window, ScrollBar bar) {
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  return (style & (bar == ScrollBar::Horizontal ? WS_HSCROLL : WS_VSCROLL)) != 0;
}

// The client rectangle together with the scroll bars that show.
ClientRect clientWithBars(Window window, const RECT& client) {
  ClientRect rect{client.right, client.bottom};
  if (showsBar(handle(window), ScrollBar::Horizontal))
    rect.bottom += GetSystemMetrics(SM_CYHSCROLL);
  if (showsBar(handle(window), ScrollBar::Vertical)) rect.right += GetSystemMetrics(SM_CXVSCROLL);
  return rect;
}

// State of the paint under way: its memory context and the objects to put back.
struct PaintObjects {
  HDC memory = nullptr;
  HGDIOBJ memoryBitmap = nullptr;  // the memory context's own bitmap
  HGDIOBJ brush = nullptr;         // the paint context's brush before the white one
};
PaintObjects paint;

// The filter pairs as the common dialogs take them: each text ends with NUL, the list with
// another NUL.
std::string filterText(const FileDialog& dialog) {
  std::string text;
  for (const FileFilter& filter : dialog.filters) {
    text += filter.description;
    text.push_back('\0');
    text += filter.pattern;
    text.push_back('\0');
  }
  text.push_back('\0');
  return text;
}

bool fileDialog(bool save, Window owner, const FileDialog& dialog, std::string& path) {
  char file[FILE_DIALOG_BUFFER] = "";
  char title[FILE_DIALOG_BUFFER] = "";
  const std::string filters = filterText(dialog);
  OPENFILENAMEA request{};
  request.lStructSize = sizeof request;
  request.hwndOwner = handle(owner);
  request.lpstrFilter = filters.c_str();
  request.lpstrFile = file;
  request.nMaxFile = sizeof file;
  request.lpstrFileTitle = title;
  request.nMaxFileTitle = sizeof title;
  request.lpstrTitle = dialog.title.c_str();
  request.Flags = dialog.flags;
  request.lpstrDefExt = dialog.defaultExtension.empty() ? nullptr : dialog.defaultExtension.c_str();
  if (!(save ? GetSaveFileNameA(&request) : GetOpenFileNameA(&request))) return false;
  path = file;
  return true;
}

// The logic of the modal dialog on screen; modal dialogs of this program never nest.
DialogProcedure currentProcedure = nullptr;

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (!currentProcedure) return FALSE;
  const DialogEvent event = message == WM_INITDIALOG ? DialogEvent::InitDialog
                            : message == WM_COMMAND  ? DialogEvent::Command
                                                     : DialogEvent::Other;
  return currentProcedure(dialog, event, LOWORD(wParam)) ? TRUE : FALSE;
}

}  // namespace

MessageAnswer messageBox(Window owner, const std::string& text, const std::string& caption,
                         MessageButtons buttons, MessageIcon icon) {
  UINT type = buttons == MessageButtons::Ok ? MB_OK : MB_OKCANCEL;
  if (icon == MessageIcon::Question) type |= MB_ICONQUESTION;
  const int answer = MessageBoxA(handle(owner), text.c_str(), caption.c_str(), type);
  return answer == IDOK ? MessageAnswer::Ok : MessageAnswer::Cancel;
}

bool openFileDialog(Window owner, const FileDialog& dialog, std::string& path) {
  return fileDialog(false, owner, dialog, path);
}

bool saveFileDialog(Window owner, const FileDialog& dialog, std::string& path) {
  return fileDialog(true, owner, dialog, path);
}

ClientRect clientRect(Window window) {
  RECT rect{};
  GetClientRect(handle(window), &rect);
  return {rect.right, rect.bottom};
}

// The window's size beyond its client area and scroll bars is what it has now (the frame, and the
// menu bar in however many rows it wraps: AdjustWindowRect knows of neither the wrapping nor the
// scroll bars); the bars asked for are added. Resizing shows or hides bars at once (WM_SIZE sets
// the ranges) and may wrap the menu bar anew: a second pass corrects for what changed.
void resizeClientArea(Window window, int32_t width, int32_t height, bool horizontalBar,
                      bool verticalBar) {
  const auto thickness = [&](ScrollBar bar, bool shown) {
    return shown ? scrollBarThickness(bar) : 0;
  };
  for (int pass = 0; pass < 2; ++pass) {
    RECT frame{}, client{};
    GetWindowRect(handle(window), &frame);
    GetClientRect(handle(window), &client);
    const ClientRect bare = clientWithBars(window, client);
    const int32_t wantedWidth =
        frame.right - frame.left - bare.right + width + thickness(ScrollBar::Vertical, verticalBar);
    const int32_t wantedHeight = frame.bottom - frame.top - bare.bottom + height +
                                 thickness(ScrollBar::Horizontal, horizontalBar);
    if (wantedWidth == frame.right - frame.left && wantedHeight == frame.bottom - frame.top) return;
    SetWindowPos(handle(window), nullptr, 0, 0, wantedWidth, wantedHeight,
                 SWP_NOMOVE | SWP_NOZORDER);
  }
}

bool hasScrollBarStyle(Window window, ScrollBar bar) {
  return showsBar(handle(window), bar);
}

int32_t scrollBarThickness(ScrollBar bar) {
  return GetSystemMetrics(bar == ScrollBar::Horizontal ? SM_CYHSCROLL : SM_CXVSCROLL);
}

ScrollState scrollState(Window window, ScrollBar bar) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_ALL;
  GetScrollInfo(handle(window), barOf(bar), &info);
  return {info.nMin, info.nMax, info.nPos};
}

void setScrollRange(Window window, ScrollBar bar, int32_t min, int32_t max) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_RANGE;
  info.nMin = min;
  info.nMax = max;
  SetScrollInfo(handle(window), barOf(bar), &info, TRUE);
}

void setScrollPosition(Window window, ScrollBar bar, int32_t pos) {
  SCROLLINFO info{};
  info.cbSize = sizeof info;
  info.fMask = SIF_POS;
  info.nPos = pos;
  SetScrollInfo(handle(window), barOf(bar), &info, TRUE);
}

void scrollWindow(Window window, int32_t dx, int32_t dy) {
  ScrollWindow(handle(window), dx, dy, nullptr, nullptr);
}

void invalidate(Window window) {
  InvalidateRect(handle(window), nullptr, TRUE);
}

void checkMenuItem(Window window, int command, bool checked) {
  CheckMenuItem(GetMenu(handle(window)), static_cast<UINT>(command),
                MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void setWindowTitle(Window window, const std::string& title) {
  SetWindowTextA(handle(window), title.c_str());
}

void postCloseRequest(Window window) {
  PostMessageA(handle(window), WM_CLOSE, 0, 0);
}

intptr_t runModalDialog(Window owner, int resourceId, DialogProcedure procedure) {
  const DialogProcedure previous = currentProcedure;
  currentProcedure = procedure;
  const auto instance =
      reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(handle(owner), GWLP_HINSTANCE));
  const INT_PTR result =
      DialogBoxParamA(instance, MAKEINTRESOURCEA(resourceId), handle(owner), dialogProcedure, 0);
  currentProcedure = previous;
  return result;
}

void setDialogItemText(DialogWindow dialog, int item, const std::string& text) {
  SetDlgItemTextA(static_cast<HWND>(dialog), item, text.c_str());
}

std::string dialogItemText(DialogWindow dialog, int item, int maxChars) {
  std::string text(static_cast<size_t>(maxChars) + 1, '\0');
  const UINT length = GetDlgItemTextA(static_cast<HWND>(dialog), item, text.data(), maxChars + 1);
  text.resize(length);
  return text;
}

void endDialog(DialogWindow dialog, intptr_t result) {
  EndDialog(static_cast<HWND>(dialog), result);
}

// Stages run to their end on this thread, as every command does here (with the wait cursor):
// the Windows program shows no progress and offers no Cancel.
int runStage(Window, const std::string&, StageProgress&, const std::function<int()>& work) {
  return work();
}

void setWindowOrigin(PaintContext dc, int32_t x, int32_t y) {
  SetWindowOrgEx(context(dc), x, y, nullptr);
}

void beginTileCopies(PaintContext dc) {
  paint.memory = CreateCompatibleDC(context(dc));
  SetMapMode(paint.memory, GetMapMode(context(dc)));
  paint.memoryBitmap = nullptr;
}

void endTileCopies(PaintContext) {
  if (paint.memoryBitmap) SelectObject(paint.memory, paint.memoryBitmap);
  DeleteDC(paint.memory);
  paint.memory = nullptr;
}

void stretchTile(PaintContext dc, TileBitmap bitmap, int32_t width, int32_t height, int32_t x,
                 int32_t y, int32_t destWidth, int32_t destHeight) {
  const HGDIOBJ previous = SelectObject(paint.memory, static_cast<HBITMAP>(bitmap));
  if (!paint.memoryBitmap) paint.memoryBitmap = previous;
  StretchBlt(context(dc), x, y, destWidth, destHeight, paint.memory, 0, 0, width, height, SRCCOPY);
}

void selectWhiteBrush(PaintContext dc) {
  const HGDIOBJ previous = SelectObject(context(dc), GetStockObject(WHITE_BRUSH));
  if (!paint.brush) paint.brush = previous;
}

void restoreBrush(PaintContext dc) {
  if (paint.brush) SelectObject(context(dc), paint.brush);
  paint.brush = nullptr;
}

void selectBlackPen(PaintContext dc) {
  SelectObject(context(dc), GetStockObject(BLACK_PEN));
}
void moveTo(PaintContext dc, int32_t x, int32_t y) {
  MoveToEx(context(dc), x, y, nullptr);
}
void lineTo(PaintContext dc, int32_t x, int32_t y) {
  LineTo(context(dc), x, y);
}

void ellipse(PaintContext dc, int32_t left, int32_t top, int32_t right, int32_t bottom) {
  Ellipse(context(dc), left, top, right, bottom);
}

}  // namespace quorvel::ws
