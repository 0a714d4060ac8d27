// Drives the Windows program under Wine the way a person would: starts it, posts menu
// commands, fills the file dialogs, answers message boxes and dialogs, reads their texts back
// and checks them. Usage: wine_driver QUORVEL_EXE PROJECT_DIR SHOT_DIR OUT_DIR (Windows paths).
// PROJECT_DIR holds sample.mdl (a good project) and bad-calib.mdl, bad-ds.mdl, empty.mdl. The
// six exports of the sample go to OUT_DIR under the names the command-line program gives them
// (the count raster twice, the second time over spoiled files),
// and OUT_DIR/query.txt receives what the Query Info dialog showed for a click on line 300,
// sample 56 at 100 % (one "Name: value" line per field), which a click on the same picture pixel
// at 200 % must show too. Prints one line per check and exits with the number of failed checks.
#include <windows.h>

#include <cstdio>
#include <functional>
#include <string>

#include "scan/query_info_text.h"

namespace {

int failures = 0;
int passes = 0;
std::string projectDir, shotDir, outDir;

void check(bool ok, const std::string& what) {
  std::printf("%s %s\n", ok ? "ok  " : "FAIL", what.c_str());
  std::fflush(stdout);
  ++(ok ? passes : failures);
}

// Polls until the predicate holds or the time runs out.
bool waitFor(const std::function<bool()>& predicate, int milliseconds = 15000) {
  for (int waited = 0; waited < milliseconds; waited += 50) {
    if (predicate()) return true;
    Sleep(50);
  }
  return predicate();
}

HWND mainWindow() {
  return FindWindowA("QuorvelWndClass", nullptr);
}

// A dialog is found while its initialisation still runs; it shows itself when that is done.
HWND waitForDialog(const std::string& title) {
  HWND dialog = nullptr;
  waitFor([&] {
    dialog = FindWindowA("#32770", title.c_str());
    return dialog != nullptr && IsWindowVisible(dialog);
  });
  return dialog;
}

bool waitUntilGone(HWND window) {
  return waitFor([&] { return !IsWindow(window); });
}

std::string itemText(HWND dialog, int item) {
  char text[1024] = "";
  GetDlgItemTextA(dialog, item, text, sizeof text);
  return text;
}

void press(HWND dialog, int button) {
  PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(button, BN_CLICKED),
               reinterpret_cast<LPARAM>(GetDlgItem(dialog, button)));
}

// Commands that open a modal box are posted; the others are sent, which returns when the
// command has run.
void command(int id) {
  PostMessageA(mainWindow(), WM_COMMAND, id, 0);
}

bool runCommand(int id) {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(mainWindow(), WM_COMMAND, id, 0, SMTO_NORMAL, 120000, &result) != 0;
}

// Returns when the window has handled everything posted to it before.
bool waitUntilIdle() {
  DWORD_PTR result = 0;
  return SendMessageTimeoutA(mainWindow(), WM_NULL, 0, 0, SMTO_NORMAL, 120000, &result) != 0;
}

// Answers the message box with this caption: checks that its text starts with `text`, presses
// the button.
void answerMessageBox(const std::string& caption, const std::string& text, int button) {
  const HWND box = waitForDialog(caption);
  check(box != nullptr, "message box \"" + caption + "\" appears");
  if (!box) return;
  check(itemText(box, 0xFFFF).rfind(text, 0) == 0,
        "message box text \"" + text + "\" (got \"" + itemText(box, 0xFFFF) + "\")");
  press(box, button);
  waitUntilGone(box);
}

// Fills a file dialog's name field and presses its OK button.
bool chooseFile(const std::string& title, const std::string& path) {
  const HWND dialog = waitForDialog(title);
  check(dialog != nullptr, "file dialog \"" + title + "\" appears");
  if (!dialog) return false;
  for (int field : {1148, 1152}) SetDlgItemTextA(dialog, field, path.c_str());
  press(dialog, IDOK);
  return waitUntilGone(dialog);
}

void loadProject(const std::string& mdlName) {
  command(100);
  chooseFile("Load MDL file", projectDir + "\\" + mdlName);
}

// Saves the screen as a bitmap file for the test script to convert.
void screenshot(const std::string& name) {
  Sleep(500);
  const HWND desktop = GetDesktopWindow();
  RECT rect;
  GetWindowRect(desktop, &rect);
  const int width = rect.right - rect.left, height = rect.bottom - rect.top;
  const HDC screen = GetDC(desktop);
  const HDC memory = CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  void* bits = nullptr;
  const HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  const HGDIOBJ previous = SelectObject(memory, bitmap);
  BitBlt(memory, 0, 0, width, height, screen, rect.left, rect.top, SRCCOPY);
  const DWORD rowBytes = (static_cast<DWORD>(width) * 3 + 3) & ~3u;
  const DWORD imageBytes = rowBytes * static_cast<DWORD>(height);
  BITMAPFILEHEADER file{
      0x4D42, static_cast<DWORD>(sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) + imageBytes),
      0, 0, sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER)};
  const std::string path = shotDir + "\\" + name + ".bmp";
  if (FILE* out = std::fopen(path.c_str(), "wb")) {
    std::fwrite(&file, sizeof file, 1, out);
    std::fwrite(&info.bmiHeader, sizeof info.bmiHeader, 1, out);
    std::fwrite(bits, imageBytes, 1, out);
    std::fclose(out);
  }
  SelectObject(memory, previous);
  DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(desktop, screen);
}

PROCESS_INFORMATION start(const std::string& exe) {
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  std::string commandLine = "\"" + exe + "\"";
  CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                 &startup, &process);
  return process;
}

DWORD exitCodeAfter(const PROCESS_INFORMATION& process, DWORD milliseconds) {
  DWORD code = STILL_ACTIVE;
  if (WaitForSingleObject(process.hProcess, milliseconds) == WAIT_OBJECT_0) {
    GetExitCodeProcess(process.hProcess, &code);
  }
  return code;
}

// Each box names the failing file on the line below its text, then the reason.
void checkLoadFailures() {
  loadProject("bad-calib.mdl");
  // A relative DIR is taken from the MDL file's folder: "./" is joined as written.
  const std::string calib = projectDir + "\\./missing.cal", ds = projectDir + "\\./missing.ds";
  answerMessageBox(calib, "Load Calib file failure.\n" + calib + "\n", IDOK);
  loadProject("bad-ds.mdl");
  answerMessageBox(ds, "Load Ds file failure.\n" + ds + "\n", IDOK);
  loadProject("empty.mdl");
  answerMessageBox("Error",
                   "Generate BMP mesh failure.\n" + projectDir +
                       "\\./empty.ds\nno scan line: the first 200 records are never loaded",
                   IDOK);
}

void checkLoad() {
  RECT before;
  GetClientRect(mainWindow(), &before);
  loadProject("sample.mdl");
  RECT after{};
  waitFor([&] {
    GetClientRect(mainWindow(), &after);
    return after.bottom != before.bottom;
  });
  // The picture is wider than the window: the window makes room for the horizontal scroll bar.
  check(after.bottom == 361, "the window fits the picture's 361 rows (client height " +
                                 std::to_string(after.bottom) + ")");
  check(!FindWindowA("#32770", "Error") && !FindWindowA("#32770", "Load MDL file"),
        "no message box after a good load");
  screenshot("after-load");
}

void checkActions() {
  check(runCommand(131), "VarianceMap runs");
  check(runCommand(132), "NormalMap runs");
  check(!FindWindowA("#32770", "Error"), "no error after NormalMap");
  screenshot("after-NormalMap");
  check(runCommand(133), "ContourMap runs");
  screenshot("after-ContourMap");
  check(runCommand(135), "LineSegger runs");
  check(!FindWindowA("#32770", "Error"), "no error after LineSegger");
  screenshot("after-LineSegger");
  check(runCommand(130), "RangeImage runs");
}

void checkExportNeedsItsStage() {
  command(106);
  answerMessageBox("Warning", "Run VarianceMap first: this export reads its results.", IDOK);
  check(!FindWindowA("#32770", "Output to RGB PT3D"), "no save dialog before VarianceMap");
}

void exportTo(int id, const std::string& title, const std::string& name) {
  command(id);
  chooseFile(title, outDir + "\\" + name);
  check(waitUntilIdle(), "export " + std::to_string(id) + " to " + name + " finishes");
}

void checkExports() {
  exportTo(106, "Output to RGB PT3D", "normal.pt3d");
  exportTo(107, "Output to RGB PT3D", "class.pt3d");
  exportTo(108, "Output to Map", "map.master");
  exportTo(109, "Output to Map", "map.master");
  exportTo(110, "Output Road data to Ds File", "road.ds");
  exportTo(111, "Output NonRoad data to Ds File", "nonroad.ds");
}

// A second export to the same name replaces the files of the first (MoveFileExW over existing
// files): they are spoiled first, so only a replacement makes them equal the Linux program's.
void checkExportReplacesItsFiles() {
  for (const char* name : {"map-h.master", "map-h.raw"}) {
    if (FILE* spoiled = std::fopen((outDir + "\\" + name).c_str(), "wb")) {
      std::fputs("spoiled", spoiled);
      std::fclose(spoiled);
    }
  }
  exportTo(108, "Output to Map", "map.master");
  for (const char* name : {"map-h.master", "map-h.raw"}) {
    const HWND failure = FindWindowA("#32770", (outDir + "\\" + name).c_str());
    check(failure == nullptr, std::string("the second export replaces ") + name);
    if (failure) press(failure, IDOK);
  }
  WIN32_FIND_DATAA found;
  const HANDLE search = FindFirstFileA((outDir + "\\*.quorvel-tmp").c_str(), &found);
  check(search == INVALID_HANDLE_VALUE, "no temporary file is left");
  if (search != INVALID_HANDLE_VALUE) FindClose(search);
}

// What the Query Info dialog of a click at client point (x, y) shows, one "Name: value" line a
// field; empty when it does not open.
std::string queryClick(int x, int y, const std::string& shot) {
  PostMessageA(mainWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
  const HWND dialog = waitForDialog("Query Info");
  check(dialog != nullptr, "a query click opens Query Info");
  if (!dialog) return "";
  if (!shot.empty()) screenshot(shot);
  std::string shown;
  for (const auto& field : quorvel::queryInfoFields({})) {
    shown += std::string(field.name) + ": " + itemText(dialog, field.control) + "\n";
  }
  press(dialog, IDOK);
  check(waitUntilGone(dialog), "Query Info closes with Ok");
  return shown;
}

// Segment Regions, then a query click on line 300, sample 56 (the segment above sample 56 is
// another) at 100 %, and on the last canvas pixel of the same picture pixel at 200 %: the
// fields go to OUT_DIR/query.txt.
void checkRegionQuery() {
  check(runCommand(134), "Segment Regions runs");
  check(runCommand(142), "Query Mode on");
  const std::string shown = queryClick(300, 56, "query-info");
  if (FILE* out = std::fopen((outDir + "\\query.txt").c_str(), "wb")) {
    std::fputs(shown.c_str(), out);
    std::fclose(out);
  }
  check(runCommand(124), "200% zoom");
  check(queryClick(601, 113, "") == shown, "the click at 200% shows the same sample");
  check(runCommand(122), "100% zoom");
  check(runCommand(142), "Query Mode off");
}

void checkMaskRange() {
  command(145);
  HWND dialog = waitForDialog("Set Mask Range");
  check(dialog && itemText(dialog, 1000) == "-1" && itemText(dialog, 1001) == "-1",
        "Set Mask Range first shows -1 / -1");
  SetDlgItemTextA(dialog, 1000, "10");
  SetDlgItemTextA(dialog, 1001, "20");
  press(dialog, IDOK);
  waitUntilGone(dialog);
  command(145);
  dialog = waitForDialog("Set Mask Range");
  check(dialog && itemText(dialog, 1000) == "10" && itemText(dialog, 1001) == "20",
        "Set Mask Range keeps 10 / 20");
  SetDlgItemTextA(dialog, 1000, "abc");
  press(dialog, IDCANCEL);
  waitUntilGone(dialog);
  command(145);
  dialog = waitForDialog("Set Mask Range");
  check(dialog && itemText(dialog, 1000) == "10", "Cancel keeps the mask range");
  SetDlgItemTextA(dialog, 1000, "-1");
  SetDlgItemTextA(dialog, 1001, "-1");
  press(dialog, IDOK);
  waitUntilGone(dialog);
}

void checkAbout() {
  command(104);
  const HWND dialog = waitForDialog("Information");
  check(dialog != nullptr, "About opens the Information dialog");
  press(dialog, IDCANCEL);
  check(waitUntilGone(dialog), "About closes with Escape");
}

void checkSecondInstance(const std::string& exe) {
  const PROCESS_INFORMATION second = start(exe);
  check(exitCodeAfter(second, 15000) == 0, "a second instance exits at once with 0");
  check(mainWindow() != nullptr, "the first instance keeps running");
}

void checkClose(const PROCESS_INFORMATION& first) {
  PostMessageA(mainWindow(), WM_CLOSE, 0, 0);
  answerMessageBox("QuorvelApp", "OK to close window?", IDCANCEL);
  Sleep(300);
  check(mainWindow() != nullptr, "Cancel keeps the window");
  PostMessageA(mainWindow(), WM_CLOSE, 0, 0);
  answerMessageBox("QuorvelApp", "OK to close window?", IDOK);
  check(exitCodeAfter(first, 15000) == 0, "OK closes the program with exit code 0");
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 5) {
    std::printf("usage: wine_driver QUORVEL_EXE PROJECT_DIR SHOT_DIR OUT_DIR\n");
    return 100;
  }
  projectDir = argv[2];
  shotDir = argv[3];
  outDir = argv[4];
  const PROCESS_INFORMATION first = start(argv[1]);
  check(waitFor([] { return mainWindow() != nullptr; }, 30000), "the main window appears");
  if (!mainWindow()) return 1;
  char title[64] = "";
  GetWindowTextA(mainWindow(), title, sizeof title);
  check(std::string(title) == "QuorvelApp", "the window title is QuorvelApp");
  checkSecondInstance(argv[1]);
  checkLoadFailures();
  checkLoad();
  checkExportNeedsItsStage();
  checkActions();
  checkExports();
  checkExportReplacesItsFiles();
  checkRegionQuery();
  checkMaskRange();
  checkAbout();
  checkClose(first);
  std::printf("%d passed, %d failed\n", passes, failures);
  return failures;
}
