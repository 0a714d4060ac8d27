// The main window's logic on the fake window system, which records every call: Load Mdl and
// the text and caption of each failure, each menu command's calls and state, zoom commands and
// keys, the close prompt, the query click's mapping over zooms and scroll positions, fitting,
// scrolling, painting, the dialogs' fields, and the export commands' dialogs, warnings and
// failures.
#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <tuple>

#include "app/commands.h"
#include "app/dialogs.h"
#include "app/main_window.h"
#include "app/picture_point.h"
#include "app/view.h"
#include "features/range_image.h"
#include "platform/fake/fake_window_system.h"
#include "platform/headless/headless_platform.h"
#include "render/bitmap_tile_store.h"
#include "scan/file_system.h"
#include "scan/query_info_text.h"
#include "scan/segment_lookup.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using Calls = std::vector<std::string>;
using ws::ScrollBar;

std::string box(const std::string& text, const std::string& caption) {
  return "messageBox(none, \"" + text + "\", \"" + caption + "\", Ok, NoIcon)";
}

const char* const SURFACE = "runStage(\"Estimating surface variance and normals\")";
const char* const LINES = "runStage(\"Segmenting the scan lines\")";
const char* const REGIONS = "runStage(\"Segmenting regions\")";

// The calls of a command that runs those stages and shows a new picture of the test project.
Calls shown(const std::string& picture, Calls stages = {}) {
  stages.push_back("setWindowTitle(\"run.mdl - " + picture + " picture - QuorvelApp\")");
  stages.push_back("invalidate()");
  return stages;
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

// Cancel does nothing; a project fits the window, opens at line 0 and repaints; a failing step
// shows its text with the path and the reason below, captioned with the file it could not read
// (Error for the picture): a failed read keeps the project and its picture, a project without a
// picture shows none.
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
  EXPECT_EQ(fake::callsNamed("resizeClientArea"),
            Calls{"resizeClientArea(24, 100, -, vertical bar)"});
  EXPECT_EQ(fake::calls().back(), "invalidate()");
  EXPECT_EQ(scanStore.lineCount, 20);
  test::writeFile(dir + "/empty.ds", test::dsFileBytes(1.0f, 180.0f, 100, {}));
  test::writeFile(dir + "/empty.mdl", "DS empty.ds\n");
  const std::string range = "run.mdl - range picture - QuorvelApp";
  const std::tuple<const char*, std::string, int, int32_t, int32_t, std::string> cases[] = {
      // MDL, message; lines, picture width, scroll position and title after
      {"absent.mdl",
       box("Load MDL file failure.\n" + dir +
               "/absent.mdl\ncannot open the file: No such file or directory",
           dir + "/absent.mdl"),
       1000, 1008, 704, range},
      {"empty.mdl",
       box("Generate BMP mesh failure.\n" + dir +
               "/./empty.ds\nno scan line: the first 200 records are never loaded",
           "Error"),
       0, 0, 0, "empty.mdl - QuorvelApp"},
      {"run.mdl", "", 1000, 1008, 0, range}};
  for (const auto& [mdl, message, lines, width, position, title] : cases) {
    load(1000);
    ws::setScrollPosition(window, ScrollBar::Horizontal, 704);
    fake::clearCalls();
    load(dir + "/" + mdl);
    EXPECT_EQ(fake::callsNamed("messageBox"), message.empty() ? Calls{} : Calls{message}) << mdl;
    int32_t extent, height;
    getImageExtent(extent, height);
    EXPECT_EQ(std::tuple(scanStore.lineCount, extent, isImageReady() != 0),
              std::tuple(lines, width, width != 0))
        << mdl;
    EXPECT_EQ(fake::scrollState(ScrollBar::Horizontal).pos, position) << mdl;
    EXPECT_EQ(fake::windowTitle(), title);
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
      {CMD_RANGE_IMAGE, shown("range")},
      {CMD_VARIANCE_MAP, shown("variance", {SURFACE})},
      {CMD_NORMAL_MAP, shown("normal", {SURFACE})},
      {CMD_CONTOUR_MAP, shown("contour")},
      {CMD_REGION_MAP, shown("regions", {SURFACE, REGIONS})},
      {CMD_LINE_SEGGER, shown("segment", {LINES})},
      {CMD_SEGMENT_REGIONS, shown("segment", {SURFACE, REGIONS})},
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
  for (int command : {0, 99, 101, 112, 125, 137, 140, 144, 146, 70000}) onCommand(window, command);
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
  EXPECT_EQ(fake::calls().back(), SURFACE);  // Segment Regions ends silently: no message
  EXPECT_FALSE(scanStore.labelMap.has_value());
#endif
  // Set Mask Range shows the values and stores what is typed on Ok when both fields are whole
  // 32-bit integers; otherwise it says why beside each refused field and stays open (here the
  // user then cancels).
  const std::tuple<const char*, const char*, int, const char*, const char*, int, int> masks[] = {
      // typed start, end, button; shown; the messages on closing; stored start, end
      {"10", "20", DIALOG_OK, "-1/-1", "/", 10, 20},
      {"abc", " 5 ", DIALOG_OK, "10/20", "Not an integer./", 10, 20},
      {"1e3", "99999999999", DIALOG_OK, "10/20",
       "Not an integer./Outside -2147483648 ... 2147483647.", 10, 20},
      {"-2147483648", "+7", DIALOG_OK, "10/20", "/", INT32_MIN, 7},
      {"10", "20", DIALOG_CANCEL, "-2147483648/7", "", INT32_MIN, 7}};
  for (const auto& [stno, edno, button, opened, messages, storedStart, storedEnd] : masks) {
    fake::queueDialog({{{IDC_MASK_STNO, stno}, {IDC_MASK_EDNO, edno}}, button});
    onCommand(window, CMD_MASK_RANGE);
    const auto& texts = fake::lastDialogTexts();
    EXPECT_EQ(texts.at(IDC_MASK_STNO) + "/" + texts.at(IDC_MASK_EDNO), opened);
    std::map<int, std::string> closed = fake::closedDialogTexts();
    EXPECT_EQ(button == DIALOG_OK
                  ? closed[IDC_MASK_STNO_MESSAGE] + "/" + closed[IDC_MASK_EDNO_MESSAGE]
                  : "",
              messages)
        << stno;
    EXPECT_EQ(std::pair(maskRange.stno, maskRange.edno), std::pair(storedStart, storedEnd)) << stno;
  }
  EXPECT_EQ(fake::calls().back(), "endDialog(0)");
  EXPECT_TRUE(fake::callsNamed("invalidate").empty());
  fake::queueDialog({{}, DIALOG_CANCEL});
  onCommand(window, CMD_ABOUT);  // ends with 1 for either button
  EXPECT_EQ(fake::calls().back(), "endDialog(1)");
  EXPECT_EQ(ws::runModalDialog(window, IDD_QUERY_INFO, queryInfoDlgProc), 1);
  EXPECT_TRUE(fake::lastDialogTexts().empty());  // no segment: nothing filled in
}

// A stage the user cancels leaves no result, and its command neither a message nor a new picture;
// a region segmentation cancelled after the surface estimation it ran for drops that too.
TEST_F(Shell, CancelledStagesLeaveTheProjectAsItWas) {
  load(20);
  // command, the user's Cancel of each of its stages; the results and the picture after
  const std::tuple<int, std::vector<bool>, bool, bool, bool, const char*> cases[] = {
      {CMD_VARIANCE_MAP, {true}, false, false, false, "range"},
      {CMD_LINE_SEGGER, {true}, false, false, false, "range"},
      {CMD_REGION_MAP, {false, true}, false, false, false, "range"},
      {CMD_VARIANCE_MAP, {false}, true, false, false, "variance"},
      {CMD_SEGMENT_REGIONS, {false, true}, true, false, false, "variance"},
      {CMD_LINE_SEGGER, {false}, true, true, false, "segment"}};
  for (const auto& [command, cancels, surface, lines, regions, picture] : cases) {
    for (bool cancel : cancels) fake::queueStageCancel(cancel);
    fake::clearCalls();
    onCommand(window, command);
    EXPECT_EQ(fake::callsNamed("runStage").size(), cancels.size()) << command;
    EXPECT_TRUE(fake::callsNamed("messageBox").empty()) << command;
    EXPECT_EQ(std::tuple(scanStore.varianceMap.has_value() && scanStore.normalMap.has_value(),
                         scanStore.lineSegmentMask.has_value(), scanStore.labelMap.has_value()),
              std::tuple(surface, lines, regions))
        << command;
    EXPECT_EQ(viewState.picture, picture) << command;
  }
}

TEST_F(Shell, ZoomCommandsAndKeysSetTheFactorShrinkTheWindowAndRepaint) {
  load(1000);
  const int commands[] = {CMD_ZOOM_25, CMD_ZOOM_50, CMD_ZOOM_100, CMD_ZOOM_150, CMD_ZOOM_200};
  const double zooms[] = {0.25, 0.5, 1, 1.5, 2};
  for (int i = 0; i < 5; ++i) {
    onCommand(window, commands[i]);
    EXPECT_EQ(viewState.zoom, zooms[i]);
    EXPECT_EQ(fake::calls().back(), "invalidate()");
    if (i == 0) {  // the client area is what the fitting asked for
      EXPECT_EQ(std::pair(ws::clientRect(window).right, ws::clientRect(window).bottom),
                std::pair(252, 46));
    }
  }
  // Zooming in never enlarges the window.
  EXPECT_EQ(fake::callsNamed("resizeClientArea"), Calls{"resizeClientArea(252, 46, -, -)"});
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

// Every sample of a 20-line scan in a segment of its own (its point count tells which); clicks at
// 25, 100, 200 and 400 % over scroll positions and canvas points at pixel corners, half-pixel
// edges, pixels' last canvas pixels and just beyond the picture: each shows what `quorvel
// query` gives for the sample whose pixel contains the click, or "Unknown segment info" off the
// picture, and the marker is centred on that pixel.
TEST_F(Shell, QueryClickShowsTheSegmentOfTheSampleWhosePixelContainsIt) {
  load(20, {CMD_QUERY_MODE});  // a picture of 24 x 181 pixels; columns 20 ... 23 show line 19
  scanStore.labelMap.emplace(20 * 181);
  scanStore.segmentTable.emplace(MAX_SEGMENTS);
  for (uint16_t label = 0; label < 20 * 181; ++label) {
    (*scanStore.labelMap)[label] = label;
    (*scanStore.segmentTable)[label].pointNum = label;
  }
  const std::pair<int32_t, int32_t> zooms[] = {{1, 4}, {1, 1}, {2, 1}, {4, 1}};  // as fractions
  for (const auto& [numerator, denominator] : zooms) {
    onCommand(window, CMD_ZOOM_100);
    viewState.zoom = double(numerator) / denominator;
    fitWindowToImage(window, viewState.zoom);
    for (const int32_t scroll : {0, 3, 100000}) {
      for (const ScrollBar bar : {ScrollBar::Horizontal, ScrollBar::Vertical})
        onScroll(window, bar, SCROLL_THUMB_POSITION, scroll);  // held within the range
      const int32_t hpos = fake::scrollState(ScrollBar::Horizontal).pos;
      const int32_t vpos = fake::scrollState(ScrollBar::Vertical).pos;
      const auto canvasPoints = [&](int32_t pixels) {  // corners, edges, last, beyond
        std::vector<int32_t> at;
        for (int32_t pixel : {0, 1, pixels / 2, pixels - 1, pixels}) {
          for (int32_t part : {0, numerator / 2, numerator - 1}) {
            at.push_back(pixel * numerator / denominator + part);
          }
        }
        return at;
      };
      for (int32_t cx : canvasPoints(24)) {
        for (int32_t cy : canvasPoints(181)) {
          if (cx < hpos || cy < vpos) continue;  // not in the window
          const int32_t column = cx * denominator / numerator, row = cy * denominator / numerator;
          const std::string where = std::to_string(numerator) + "/" + std::to_string(denominator) +
                                    " at " + std::to_string(cx) + "," + std::to_string(cy);
          fake::clearCalls();
          onLeftButtonDown(window, uint16_t(cx - hpos), uint16_t(cy - vpos));
          if (column >= 24 || row >= 181) {
            EXPECT_EQ(fake::calls(), Calls{box("Unknown segment info", "Warning")}) << where;
            continue;
          }
          std::map<int, std::string> expected;
          for (const QueryInfoField& field :
               queryInfoFields(*segmentOfSample(scanStore, std::min(column, 19), row))) {
            expected[field.control] = field.text;
          }
          EXPECT_EQ(fake::lastDialogTexts(), expected) << where;
          fake::clearCalls();
          onPaint(window, nullptr);
          const std::string marker = fake::callsNamed("ellipse").at(0);
          int32_t left, top;
          ASSERT_EQ(std::sscanf(marker.c_str(), "ellipse(%d, %d", &left, &top), 2);
          // centred on the pixel, to the nearest canvas pixel
          EXPECT_LE(std::abs(left + 4 - (column + 0.5) * viewState.zoom), 0.5) << where;
          EXPECT_LE(std::abs(top + 4 - (row + 0.5) * viewState.zoom), 0.5) << where;
        }
      }
    }
  }
  // The sample as the picture shows it: with Inverse, row 10 from the top is sample 170.
  onCommand(window, CMD_ZOOM_100);
  for (const ScrollBar bar : {ScrollBar::Horizontal, ScrollBar::Vertical})
    onScroll(window, bar, SCROLL_THUMB_POSITION, 0);
  onCommand(window, CMD_INVERSE);
  onCommand(window, CMD_RANGE_IMAGE);
  fake::clearCalls();
  onLeftButtonDown(window, 2, 10);
  EXPECT_EQ(fake::lastDialogTexts().at(1218), std::to_string(170 * 20 + 2));
  fake::queueDialog({{}, DIALOG_CANCEL});  // Cancel: no repaint
  onLeftButtonDown(window, 2, 10);
  EXPECT_EQ(fake::calls().back(), "endDialog(0)");
  onCommand(window, CMD_QUERY_MODE);
  fake::clearCalls();
  onLeftButtonDown(window, 2, 20);  // Query Mode off: clicks do nothing
  EXPECT_TRUE(fake::calls().empty());
  // findSegmentAt: nothing off the picture or before the region segmentation.
  for (QueryPoint point : {QueryPoint{2, 181.5}, QueryPoint{2, -3}, QueryPoint{24, 100},
                           QueryPoint{-1, 100}, QueryPoint{1e300, -1e300}}) {
    EXPECT_EQ(findSegmentAt(point), nullptr) << point.x << "," << point.y;
  }
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
  // The arrow and page keys step as the bars do, the wheel three lines a notch (positive: up or
  // left).
  const std::tuple<Key, int, ScrollBar, int32_t> moves[] = {
      {Key::Up, 0, V, 812},    {Key::PageUp, 0, V, 513}, {Key::Left, 0, H, 2},
      {Key::Right, 0, H, 51},  {Key::Down, 0, V, 551},   {Key::PageDown, 0, V, 848},
      {Key::Other, 1, V, 740}, {Key::Other, -2, H, 345}};  // key or wheel notches
  for (const auto& [key, notches, bar, position] : moves) {
    if (notches != 0) {
      onWheel(window, bar, notches);
    } else {
      onKeyDown(window, key);
    }
    EXPECT_EQ(fake::scrollState(bar).pos, position) << int(key) << " " << notches;
  }
  // Ctrl+wheel zooms about the pointer: the pixel under it stays.
  const std::optional<PicturePixel> before = pixelAtClientPoint(window, 100, 50);
  zoomAbout(window, 1, 100, 50);
  const std::optional<PicturePixel> after = pixelAtClientPoint(window, 100, 50);
  EXPECT_NEAR(viewState.zoom, 8.8, 1e-12);
  ASSERT_TRUE(before && after);
  EXPECT_EQ(std::pair(after->column, after->row), std::pair(before->column, before->row));
  EXPECT_EQ(fake::scrollState(H).pos, 390);
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
                  "\"*.pt3d*\";\"All files(*.*)\" \"*.*\";], ext=\"pt3d\", flags=6, in \"" +
                  dir + "\", name=\"run-class.pt3d\")"});
  const std::tuple<int, const char*, const char*> exports[] = {
      {CMD_EXPORT_PT3D_NORMAL, "normal.pt3d", "flags=6"},
      {CMD_EXPORT_PT3D_CLASS, "class.pt3d", "flags=6"},
      {CMD_EXPORT_COUNT_MAP, "map.master", "flags=4"},
      {CMD_EXPORT_ROAD_HEIGHT, "map.master", "flags=4"},
      {CMD_EXPORT_ROAD_DS, "road.ds", "flags=6"},
      {CMD_EXPORT_NONROAD_DS, "nonroad.ds", "flags=6"}};
  fake::clearCalls();
  for (const auto& [command, chosen, flags] : exports) {
    fake::queueFileDialog(dir + "/" + chosen);
    onCommand(window, command);
    const std::string proposed = std::string(", name=\"run-") + chosen + "\")";
    EXPECT_TRUE(fake::callsNamed("saveFileDialog")
                    .back()
                    .ends_with(flags + (", in \"" + dir) + "\"" + proposed))
        << chosen;
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
