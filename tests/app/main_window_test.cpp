// The main window's logic on the fake window system, which records every call: Load Mdl and
// the text and caption of each failure, each menu command's calls and state, zoom commands and
// keys, the close prompt, the query click, fitting, scrolling, painting, the dialogs' fields,
// and the export commands' dialogs, warnings and failures.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cstring>
#include <filesystem>
#include <tuple>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/view.h"
#include "features/range_image.h"
#include "platform/fake/fake_window_system.h"
#include "platform/headless/headless_platform.h"
#include "render/bitmap_tile_store.h"
#include "scan/file_system.h"
#include "scan/segment_lookup.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using Calls = std::vector<std::string>;
using ws::ScrollBar;

std::string box(const std::string& text, const std::string& caption) {
  return "messageBox(none, \"" + text + "\", \"" + caption + "\", Ok, NoIcon)";
}

// Fresh process-wide state, the size handler wired as WM_SIZE, small projects on disk.
class Shell : public ::testing::Test {
 protected:
  void SetUp() override {
    fake::reset();
    viewState = ViewState{};
    viewState.queryMode = 1;  // onCreate resets it
    onCreate();
    maskRange = MaskRange{};
    fake::setSizeHandler([this] { onSize(window); });
    dir = test::freshTestDir();
  }
  void TearDown() override { onDestroy(); }

  // Load Mdl of run.mdl, van.cal and scan.ds: `lines` lines of the 1.0-degree set-up, every
  // range 10; then the commands. The calls so far are forgotten when `forget`.
  void load(int lines, std::initializer_list<int> commands = {}, bool forget = true) {
    test::DsRecord record;
    record.range.assign(181, 1000);
    test::writeFile(dir + "/scan.ds",
                    test::dsFileBytes(1.0f, 180.0f, 100, {size_t(lines), record}));
    test::writeFile(dir + "/van.cal", "rot 0 0 0\n");
    test::writeFile(dir + "/run.mdl", "DIR ./\nDS scan.ds\nCALIB van.cal\n");
    load(dir + "/run.mdl");
    for (int command : commands) onCommand(window, command);
    if (forget) fake::clearCalls();
  }
  void load(const std::string& mdl) {  // through the open dialog
    fake::queueFileDialog(mdl);
    onCommand(window, CMD_LOAD_MDL);
  }

  ws::Window window = fake::MAIN_WINDOW;
  std::string dir;
};

// Cancel does nothing; a project fits the window and repaints; a failing step shows its text
// captioned with the file it could not read (Error for the picture) and keeps the picture.
TEST_F(Shell, LoadMdlFitsTheWindowOrShowsTheFailure) {
  fake::queueFileDialog(std::nullopt);
  onCommand(window, CMD_LOAD_MDL);
  EXPECT_EQ(fake::calls().size(), 1u);
  fake::clearCalls();
  fake::setClientSize(784, 100);  // only the width exceeds the 24 x 181 picture
  load(20, {}, false);
  const std::string open =
      "openFileDialog(main, \"Load MDL file\", [\"MDL File(*.mdl)\" \"*.mdl*\";\"All files(*.*)\" "
      "\"*.*\";], ext=\"\", flags=4100)";
  EXPECT_EQ(fake::calls().front(), open);
  EXPECT_EQ(fake::callsNamed("resizeClientArea"), Calls{"resizeClientArea(24, 100)"});
  EXPECT_EQ(fake::calls().back(), "invalidate()");
  EXPECT_EQ(scanStore.lineCount, 20);
  test::writeFile(dir + "/empty.ds", test::dsFileBytes(1.0f, 180.0f, 100, {}));
  test::writeFile(dir + "/empty.mdl", "DS empty.ds\n");
  const std::tuple<const char*, std::string, int> cases[] = {
      // MDL, message, lines after
      {"absent.mdl", box("Load MDL file failure.", dir + "/absent.mdl"), 20},
      {"empty.mdl", box("Generate BMP mesh failure.", "Error"), 0}};
  for (const auto& [mdl, message, lines] : cases) {
    load(20);
    load(dir + "/" + mdl);
    EXPECT_EQ(fake::calls(), (Calls{open, message}));
    EXPECT_EQ(scanStore.lineCount, lines);
    int32_t width, height;
    getImageExtent(width, height);
    EXPECT_EQ(width, 24) << mdl;
  }
}

// Each command once, in this order, on a loaded 20-line project: its calls, then the state.
TEST_F(Shell, CommandsMakeTheirCallsAndLeaveTheirState) {
  load(20);
  viewState.queryPoint = {5, 6};
  const std::pair<int, Calls> cases[] = {
      {CMD_INVERSE, {"checkMenuItem(143, checked)"}},
      {CMD_QUERY_MODE, {"checkMenuItem(142, checked)", "invalidate()"}},
      {CMD_QUERY_MODE, {"checkMenuItem(142, unchecked)", "invalidate()"}},
      {CMD_TILE_OUTLINES, {"checkMenuItem(141, checked)", "invalidate()"}},
      {CMD_RANGE_IMAGE, {"invalidate()"}},
      {CMD_VARIANCE_MAP, {"invalidate()"}},
      {CMD_NORMAL_MAP, {"invalidate()"}},
      {CMD_CONTOUR_MAP, {"invalidate()"}},
      {CMD_LINE_SEGGER, {"invalidate()"}},
      {CMD_SEGMENT_REGIONS, {"invalidate()"}},
      {CMD_ABOUT, {"runModalDialog(main, 1)", "endDialog(1)"}},
      {CMD_MASK_RANGE, {"runModalDialog(main, 302)", "endDialog(1)"}},
      {CMD_EXIT, {"postCloseRequest()"}}};
  for (const auto& [command, calls] : cases) {
    fake::clearCalls();
    onCommand(window, command);
    EXPECT_EQ(fake::calls(), calls) << command;
  }
  EXPECT_TRUE(renderParams.inverse && !viewState.queryMode && viewState.showTileOutlines);
  EXPECT_EQ(viewState.queryPoint.x + viewState.queryPoint.y, 0);
  EXPECT_TRUE(scanStore.lineSegmentMask && scanStore.labelMap && scanStore.segmentTable);
  fake::clearCalls();
  for (int command : {0, 99, 101, 112, 125, 140, 144, 146, 70000}) onCommand(window, command);
  EXPECT_TRUE(fake::calls().empty());
  // Close asks; Cancel keeps the window and the project.
  fake::queueMessageAnswer(ws::MessageAnswer::Cancel);
  EXPECT_FALSE(onClose(window));
  EXPECT_TRUE(onClose(window));
  const std::string ask =
      "messageBox(main, \"OK to close window?\", \"QuorvelApp\", OkCancel, Question)";
  EXPECT_EQ(fake::calls(), (Calls{ask, ask}));
  EXPECT_EQ(scanStore.lineCount, 20);
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer ends the program where new would throw
  scanStore.labelMap.reset();
  scanStore.varianceMap.reset();
  scanStore.lineCount = INT32_MAX;  // far too many samples for a variance map
  onCommand(window, CMD_SEGMENT_REGIONS);
  scanStore.lineCount = 20;
  EXPECT_EQ(fake::calls().size(), 2u);  // Segment Regions ends silently: no message, no repaint
  EXPECT_FALSE(scanStore.labelMap.has_value());
#endif
  // Set Mask Range shows the values and stores what is typed on Ok.
  const std::tuple<const char*, const char*, int, const char*, int, int> masks[] = {
      {"10", "20", DIALOG_OK, "-1/-1", 10, 20},  // typed start, end, button; shown; stored
      {"abc", "0", DIALOG_OK, "10/20", 0, 0},
      {"10", "20", DIALOG_CANCEL, "0/0", 0, 0}};
  for (const auto& [stno, edno, button, shown, storedStart, storedEnd] : masks) {
    fake::queueDialog({{{IDC_MASK_STNO, stno}, {IDC_MASK_EDNO, edno}}, button});
    onCommand(window, CMD_MASK_RANGE);
    const auto& texts = fake::lastDialogTexts();
    EXPECT_EQ(texts.at(IDC_MASK_STNO) + "/" + texts.at(IDC_MASK_EDNO), shown);
    EXPECT_EQ(maskRange.stno, storedStart) << stno;
    EXPECT_EQ(maskRange.edno, storedEnd) << edno;
  }
  EXPECT_EQ(fake::calls().back(), "endDialog(0)");
  EXPECT_TRUE(fake::callsNamed("invalidate").empty());
  fake::queueDialog({{}, DIALOG_CANCEL});
  onCommand(window, CMD_ABOUT);  // ends with 1 for either button
  EXPECT_EQ(fake::calls().back(), "endDialog(1)");
  EXPECT_EQ(ws::runModalDialog(window, IDD_QUERY_INFO, queryInfoDlgProc), 1);
  EXPECT_TRUE(fake::lastDialogTexts().empty());  // no segment: nothing filled in
}

TEST_F(Shell, ZoomCommandsAndKeysSetTheFactorShrinkTheWindowAndRepaint) {
  load(1000);
  const int commands[] = {CMD_ZOOM_25, CMD_ZOOM_50, CMD_ZOOM_100, CMD_ZOOM_150, CMD_ZOOM_200};
  const double zooms[] = {0.25, 0.5, 1, 1.5, 2};
  for (int i = 0; i < 5; ++i) {
    onCommand(window, commands[i]);
    EXPECT_EQ(viewState.zoom, zooms[i]);
    EXPECT_EQ(fake::calls().back(), "invalidate()");
  }
  // Zooming in never enlarges the window.
  EXPECT_EQ(fake::callsNamed("resizeClientArea"), Calls{"resizeClientArea(252, 46)"});
  onCommand(window, CMD_ZOOM_100);
  for (int i = 0; i < 10; ++i) onKeyDown(window, Key::Home);
  EXPECT_NEAR(viewState.zoom, 2.5937, 1e-4);
  for (int i = 0; i < 10; ++i) onKeyDown(window, Key::End);
  EXPECT_NEAR(viewState.zoom, 1.0, 1e-12);
  fake::clearCalls();
  onKeyDown(window, Key::Other);
  EXPECT_TRUE(fake::calls().empty());
  // The zoomed extent rounds up but drops tenths.
  const std::tuple<int32_t, double, int32_t> cases[] = {
      {1000, 0.25, 250}, {361, 0.25, 91},      {1000, 1.1, 1100},      {361, 1.1, 398},
      {1001, 0.25, 251}, {1000, 0.25004, 250}, {1000, 1e300, INT_MAX}, {0, 2.0, 0}};
  for (const auto& [extent, zoom, zoomed] : cases) {
    EXPECT_EQ(zoomedExtent(extent, zoom), zoomed) << extent << " at " << zoom;
  }
}

TEST_F(Shell, QueryClickShowsTheSegmentUnderTheCursor) {
  load(4, {CMD_QUERY_MODE});  // sample 10 of line 2, and no other, in segment 0
  scanStore.labelMap.emplace(4 * 181, uint16_t{10001});
  scanStore.segmentTable.emplace(MAX_SEGMENTS);
  (*scanStore.labelMap)[10 * 4 + 2] = 0;
  (*scanStore.segmentTable)[0].pointNum = 40;
  (*scanStore.segmentTable)[0].boundaryPt = 10;
  viewState.zoom = 2;
  ws::setScrollPosition(window, ScrollBar::Horizontal, 2);
  ws::setScrollPosition(window, ScrollBar::Vertical, 2);
  fake::clearCalls();
  // The lookup rounds the point: (4, 22) on the canvas reads the sample of row 10.
  onLeftButtonDown(window, 2, 20);
  EXPECT_NEAR(viewState.queryPoint.x, 2.0, 1e-12);
  EXPECT_NEAR(viewState.queryPoint.y, 170.0, 1e-12);
  std::string fields;  // control: text
  for (const auto& [control, text] : fake::lastDialogTexts())
    fields += std::to_string(control) + ":" + text + " ";
  EXPECT_EQ(
      fields,
      "1203:0 1204:0.00 1207:0.00 1208:0.00 1209:0.00 1210:0.00 1211:0.00 1212:0.00 1213:0.00 "
      "1214:0.00 1215:0.00 1216:0.00 1218:40 1219:0.0000 1220:0 1221:0.25 1222:10 ");
  EXPECT_EQ(fake::calls(), (Calls{"runModalDialog(main, 301)", "endDialog(1)", "invalidate()"}));
  fake::clearCalls();
  fake::queueDialog({{}, DIALOG_CANCEL});  // Cancel: no repaint
  onLeftButtonDown(window, 2, 20);
  EXPECT_EQ(fake::calls().back(), "endDialog(0)");
  fake::clearCalls();
  onLeftButtonDown(window, 2, 22);
  EXPECT_EQ(fake::calls(), Calls{box("Unknown segment info", "Warning")});
  onCommand(window, CMD_QUERY_MODE);
  fake::clearCalls();
  onLeftButtonDown(window, 2, 20);  // Query Mode off: clicks do nothing
  EXPECT_TRUE(fake::calls().empty());
  // findSegmentAt: nothing outside the grid; the sample as the picture shows it.
  for (QueryPoint point : {QueryPoint{2, 181.0}, QueryPoint{2, -3}, QueryPoint{4, 100},
                           QueryPoint{-1, 100}, QueryPoint{1e300, -1e300}}) {
    EXPECT_EQ(findSegmentAt(point), nullptr) << point.x << "," << point.y;
  }
  onCommand(window, CMD_INVERSE);
  EXPECT_NE(findSegmentAt({2, 170.0}), nullptr);  // the picture was built without Inverse
  onCommand(window, CMD_RANGE_IMAGE);             // now sample 10 is row 10 from the bottom
  EXPECT_EQ(findSegmentAt({2, 170.0}), nullptr);
  EXPECT_NE(findSegmentAt({2, 10.0}), nullptr);
  scanStore.labelMap.reset();
  EXPECT_EQ(findSegmentAt({2, 10.0}), nullptr);
}

// 5 000 lines at zoom 8 (three tiles of 2048 x 181) in a client of 783 x 600 with both bars.
TEST_F(Shell, ScrollRangesAndStepsAreAsymmetricAndClamped) {
  load(5000);
  fake::setClientSize(800, 617);
  viewState.zoom = 8.0;
  updateScrollRanges(window, 8.0);  // showing the bars resizes the client: WM_SIZE comes back
  EXPECT_EQ(fake::callsNamed("setScrollRange").size(), 4u);
  EXPECT_EQ(viewState.scrollUpdateDepth, 0);
  EXPECT_EQ(fake::scrollState(ScrollBar::Vertical).max, 181 * 8 - 600);
  EXPECT_EQ(fake::scrollState(ScrollBar::Horizontal).max, 6144 * 8 - 783);
  constexpr ScrollBar V = ScrollBar::Vertical, H = ScrollBar::Horizontal;
  // Bar, request, thumb; the position after.
  const std::tuple<ScrollBar, int, int32_t, int32_t> steps[] = {
      {V, SCROLL_LINE_DOWN, 0, 38},
      {V, SCROLL_LINE_UP, 0, 2},
      {V, SCROLL_PAGE_DOWN, 0, 303},
      {V, SCROLL_PAGE_UP, 0, 4},
      {V, SCROLL_THUMB_POSITION, 500, 500},
      {V, SCROLL_THUMB_TRACK, 100000, 848},
      {V, SCROLL_LINE_DOWN, 0, 848},
      {H, SCROLL_PAGE_UP, 0, 0},
      {H, 8, 0, 0},
      {H, SCROLL_LINE_DOWN, 0, 49}};
  fake::clearCalls();
  for (const auto& [bar, request, thumb, position] : steps) {
    onScroll(window, bar, request, thumb);
    EXPECT_EQ(fake::scrollState(bar).pos, position) << request;
  }
  EXPECT_EQ(fake::callsNamed("scrollWindow"),
            (Calls{"scrollWindow(0, -38)", "scrollWindow(0, 36)", "scrollWindow(0, -301)",
                   "scrollWindow(0, 299)", "scrollWindow(0, -496)", "scrollWindow(0, -348)",
                   "scrollWindow(-49, 0)"}));
}

// At zoom 2 the window shows the canvas up to x = 8192, where the third tile begins.
TEST_F(Shell, PaintsOnlyVisibleTilesOutlinesEveryTileAndMarksTheQuery) {
  failNextTileBitmaps(1);  // the first tile gets no bitmap
  load(5000, {CMD_ZOOM_200, CMD_QUERY_MODE, CMD_TILE_OUTLINES});
  viewState.queryPoint = {10, 100};
  ws::setScrollPosition(window, ScrollBar::Horizontal, 8192 - ws::clientRect(window).right);
  fake::clearCalls();
  onPaint(window, nullptr);
  EXPECT_EQ(fake::callsNamed("stretchTile"), Calls{"stretchTile(2048, 181, 4096, 0, 4096, 362)"});
  EXPECT_EQ(fake::callsNamed("moveTo"),
            (Calls{"moveTo(0, 0)", "moveTo(4096, 0)", "moveTo(8192, 0)"}));
  const Calls lines = fake::callsNamed("lineTo");
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(Calls(lines.begin(), lines.begin() + 4),
            (Calls{"lineTo(0, 362)", "lineTo(4096, 362)", "lineTo(4096, 0)", "lineTo(0, 0)"}));
  EXPECT_EQ(fake::callsNamed("ellipse"), Calls{"ellipse(16, 158, 24, 166)"});
  EXPECT_EQ(fake::calls().back(), "restoreBrush()");
}

// An export whose input is missing names the command to run first; otherwise it asks for a
// file (Cancel ends it; only the point and DS exports confirm a replaced file), then
// writes; a failure shows its reason captioned with the file, and the previous file stays.
TEST_F(Shell, ExportsNameTheMissingStageOrAskForAFileThenWrite) {
  load(20);
  const std::string first = " first: this export reads its results.";
  for (int command : {CMD_EXPORT_PT3D_NORMAL, CMD_EXPORT_ROAD_DS, CMD_LINE_SEGGER,
                      CMD_EXPORT_PT3D_CLASS}) {  // has the line classes, lacks the normals
    onCommand(window, command);
  }
  EXPECT_EQ(fake::callsNamed("messageBox"), (Calls{box("Run VarianceMap" + first, "Warning"),
                                                   box("Run LineSegger" + first, "Warning"),
                                                   box("Run VarianceMap" + first, "Warning")}));
  onCommand(window, CMD_VARIANCE_MAP);
  fake::clearCalls();
  fake::queueFileDialog(std::nullopt);
  onCommand(window, CMD_EXPORT_PT3D_CLASS);
  EXPECT_EQ(fake::calls(),
            Calls{"saveFileDialog(main, \"Output to RGB PT3D\", [\"Pt3d File(*.pt3d)\" "
                  "\"*.pt3d*\";\"All files(*.*)\" \"*.*\";], ext=\"pt3d\", flags=6)"});
  const std::tuple<int, const char*, const char*> exports[] = {
      {CMD_EXPORT_PT3D_NORMAL, "normal.pt3d", "flags=6)"},
      {CMD_EXPORT_PT3D_CLASS, "class.pt3d", "flags=6)"},
      {CMD_EXPORT_COUNT_MAP, "map.master", "flags=4)"},
      {CMD_EXPORT_ROAD_HEIGHT, "map.master", "flags=4)"},
      {CMD_EXPORT_ROAD_DS, "road.ds", "flags=6)"},
      {CMD_EXPORT_NONROAD_DS, "nonroad.ds", "flags=6)"}};
  fake::clearCalls();
  for (const auto& [command, chosen, flags] : exports) {
    fake::queueFileDialog(dir + "/" + chosen);
    onCommand(window, command);
    EXPECT_TRUE(fake::callsNamed("saveFileDialog").back().ends_with(flags)) << chosen;
  }
  // The flat test scan has no road height range: the window says so instead of ending silently.
  EXPECT_EQ(fake::callsNamed("messageBox"),
            Calls{box("Export failure.\nno road height range; expected road samples of more than "
                      "one height; every second line and column",
                      dir + "/map.master")});
  for (const char* name :
       {"normal.pt3d", "class.pt3d", "map-h.master", "map-h.raw", "road.ds", "nonroad.ds"}) {
    EXPECT_TRUE(std::filesystem::exists(dir + "/" + name)) << name;
  }
  EXPECT_EQ(std::filesystem::file_size(dir + "/normal.pt3d"), 20u * 181 * 32);
  test::writeFile(dir + "/normal.pt3d", "previous");
  fake::queueFileDialog(dir + "/normal.pt3d");
  fileSystemCalls().sync = [](FileHandle) { return std::string(std::strerror(EIO)); };
  onCommand(window, CMD_EXPORT_PT3D_NORMAL);
  fileSystemCalls() = osFileSystemCalls();
  EXPECT_EQ(fake::calls().back(), box("Export failure.\nInput/output error", dir + "/normal.pt3d"));
  EXPECT_EQ(test::readFile(dir + "/normal.pt3d"), test::bytesOf("previous"));
}

}  // namespace
}  // namespace quorvel
