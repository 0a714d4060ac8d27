// The Windows program: a single instance, the main window of class QuorvelWndClass, and the
// window procedure that turns each message into one call of the application shell.
#include <windows.h>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/view.h"

namespace {

using namespace quorvel;

Key keyOf(WPARAM virtualKey) {
  if (virtualKey == VK_HOME) return Key::Home;
  if (virtualKey == VK_END) return Key::End;
  return Key::Other;
}

// Commands run to completion on this thread; the wait cursor shows that the window works.
void runCommand(HWND window, int command) {
  const HCURSOR previous = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));  // IDC_WAIT
  onCommand(window, command);
  SetCursor(previous);
}

void paintWindow(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  onPaint(window, dc);
  EndPaint(window, &paint);
}

}  // namespace

LRESULT CALLBACK mainWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_CREATE:
      onCreate();
      return 0;
    case WM_DESTROY:
      onDestroy();
      PostQuitMessage(0);
      return 0;
    case WM_SIZE:
      onSize(window);
      return 0;
    case WM_PAINT:
      paintWindow(window);
      return 0;
    case WM_CLOSE:
      return onClose(window) ? DefWindowProcA(window, message, wParam, lParam) : 0;
    case WM_KEYDOWN:
      onKeyDown(window, keyOf(wParam));
      return 0;
    case WM_HSCROLL:
      onScroll(window, ws::ScrollBar::Horizontal, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_VSCROLL:
      onScroll(window, ws::ScrollBar::Vertical, LOWORD(wParam), HIWORD(wParam));
      return 0;
    case WM_LBUTTONDOWN:
      onLeftButtonDown(window, LOWORD(lParam), HIWORD(lParam));
      return 0;
    case WM_COMMAND:
      runCommand(window, LOWORD(wParam));
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// Registers the window class; when a window of the class already exists it is restored and
// brought to the front instead, and 0 ends this instance.
BOOL registerMainClass(HINSTANCE instance) {
  if (const HWND running = FindWindowA(MAIN_WINDOW_CLASS, nullptr)) {
    ShowWindow(running, SW_RESTORE);
    SetForegroundWindow(running);
    return FALSE;
  }
  WNDCLASSA windowClass{};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = mainWndProc;
  windowClass.cbWndExtra = 4;
  windowClass.hInstance = instance;
  windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_MAIN_ICON));
  windowClass.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));  // IDC_ARROW
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszMenuName = MAKEINTRESOURCEA(IDR_MAIN_MENU);
  windowClass.lpszClassName = MAIN_WINDOW_CLASS;
  return RegisterClassA(&windowClass) != 0;
}

HWND createMainWindow(HINSTANCE instance, int show) {
  const HWND window = CreateWindowExA(0, MAIN_WINDOW_CLASS, MAIN_WINDOW_TITLE, WS_OVERLAPPEDWINDOW,
                                      CW_USEDEFAULT, CW_USEDEFAULT, MAIN_WINDOW_WIDTH,
                                      MAIN_WINDOW_HEIGHT, nullptr, nullptr, instance, nullptr);
  if (!window) return nullptr;
  ShowWindow(window, show);
  UpdateWindow(window);
  return window;
}

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR, int show) {
  if (!previous && !registerMainClass(instance)) return 0;
  if (!createMainWindow(instance, show)) return 0;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0)) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  return static_cast<int>(message.wParam);
}
