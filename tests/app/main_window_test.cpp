#include "app/main_window.h"

#include <gtest/gtest.h>

#include "app/commands.h"
#include "features/range_image.h"
#include "render/bitmap_tile_store.h"
#include "scan/segment_lookup.h"
#include "tests/app/shell_session.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using test::ShellSession;

using MainWindow = ShellSession;

TEST_F(MainWindow, LoadMdlFitsTheWindowAndRepaints) {
  const std::string mdl = writeProject(20);
  loadThroughDialog(mdl);
  EXPECT_EQ(fake::callsNamed("openFileDialog"),
            std::vector<std::string>{"openFileDialog(main, \"Load MDL file\", [\"MDL File(*.mdl)\" "
                                     "\"*.mdl*\";\"All files(*.*)\" \"*.*\";], ext=\"\", "
                                     "flags=4100)"});
  EXPECT_TRUE(fake::callsNamed("messageBox").empty());
  EXPECT_EQ(fake::callsNamed("resizeClientArea"),
            std::vector<std::string>{"resizeClientArea(24, 181)"});
  EXPECT_EQ(fake::calls().back(), "invalidate()");
  EXPECT_EQ(scanStore.lineCount, 20);
  EXPECT_EQ(isImageReady(), 1);
}

TEST_F(MainWindow, CancelledLoadChangesNothing) {
  fake::queueFileDialog(std::nullopt);
  onCommand(window, CMD_LOAD_MDL);
  EXPECT_EQ(fake::calls().size(), 1u);
  EXPECT_FALSE(scanStore.lines.has_value());
}

struct LoadFailureCase {
  const char* mdlText;
  const char* text;
  const char* captionFile;  // relative to the test folder; "" for "Error"
};

class LoadFailures : public ShellSession, public ::testing::WithParamInterface<LoadFailureCase> {};

TEST_P(LoadFailures, ShowTextAndCaptionAndKeepTheLoadedProject) {
  loadThroughDialog(writeProject(20));
  const auto before = test::readFile(dir + "/scan.ds");
  test::writeFile(dir + "/empty.ds", test::dsFileBytes(1.0f, 180.0f, 100, {}));
  test::writeFile(dir + "/odd.ds", test::dsFileBytes(2.0f, 180.0f, 100, {}));
  test::writeFile(dir + "/second.mdl", GetParam().mdlText);
  fake::clearCalls();
  loadThroughDialog(GetParam().mdlText[0] == '!' ? dir + "/absent.mdl" : dir + "/second.mdl");
  const std::string caption =
      GetParam().captionFile[0] ? dir + "/" + GetParam().captionFile : "Error";
  EXPECT_EQ(fake::callsNamed("messageBox"),
            std::vector<std::string>{"messageBox(none, \"" + std::string(GetParam().text) +
                                     "\", \"" + caption + "\", Ok, NoIcon)"});
  EXPECT_TRUE(fake::callsNamed("invalidate").empty());
  EXPECT_EQ(scanStore.lineCount,
            std::string(GetParam().text) == "Generate BMP mesh failure." ? 0 : 20);
  int32_t width, height;
  getImageExtent(width, height);
  EXPECT_EQ(width, 24);
}

INSTANTIATE_TEST_SUITE_P(
    Steps, LoadFailures,
    ::testing::Values(LoadFailureCase{"!", "Load MDL file failure.", "absent.mdl"},
                      LoadFailureCase{"DS scan.ds\nCALIB none.cal\n", "Load Calib file failure.",
                                      "./none.cal"},
                      LoadFailureCase{"DS none.ds\n", "Load Ds file failure.", "./none.ds"},
                      LoadFailureCase{"DS odd.ds\n", "Load Ds file failure.", "./odd.ds"},
                      LoadFailureCase{"DS empty.ds\n", "Generate BMP mesh failure.", ""}));

TEST_F(MainWindow, DirectoryWithoutSeparatorShowsTheJoinedPath) {
  writeProject(3);
  test::writeFile(dir + "/joined.mdl", "DIR " + dir + "\nDS scan.ds\nCALIB van.cal\n");
  loadThroughDialog(dir + "/joined.mdl");
  EXPECT_EQ(fake::callsNamed("messageBox"),
            std::vector<std::string>{"messageBox(none, \"Load Calib file failure.\", \"" + dir +
                                     "van.cal\", Ok, NoIcon)"});
}

TEST_F(MainWindow, ZoomKeysMultiplyAndStopAtTheBounds) {
  for (int i = 0; i < 10; ++i) onKeyDown(window, Key::Home);
  EXPECT_NEAR(viewState.zoom, 2.5937, 1e-4);
  for (int i = 0; i < 10; ++i) onKeyDown(window, Key::End);
  EXPECT_NEAR(viewState.zoom, 1.0, 1e-12);
  fake::clearCalls();
  onKeyDown(window, Key::Other);
  EXPECT_TRUE(fake::calls().empty());
  for (int i = 0; i < 200; ++i) onKeyDown(window, Key::Home);
  EXPECT_LT(viewState.zoom, 1024 * 1.1 + 1e-9);
  for (int i = 0; i < 400; ++i) onKeyDown(window, Key::End);
  EXPECT_GT(viewState.zoom, 1.0 / 1024 / 1.1 - 1e-12);
}

TEST_F(MainWindow, ZoomCommandsSetTheFactorFitAndRepaint) {
  loadThroughDialog(writeProject(1000));
  fake::clearCalls();
  onCommand(window, CMD_ZOOM_25);
  EXPECT_EQ(viewState.zoom, 0.25);
  EXPECT_EQ(fake::callsNamed("resizeClientArea"),
            std::vector<std::string>{"resizeClientArea(252, 46)"});
  EXPECT_EQ(fake::calls().back(), "invalidate()");
  onCommand(window, CMD_ZOOM_200);
  EXPECT_EQ(viewState.zoom, 2.0);
  EXPECT_EQ(fake::callsNamed("resizeClientArea").size(), 1u);  // zooming in never enlarges
}

TEST_F(MainWindow, LineSeggerShowsTheSegmentPicture) {
  loadThroughDialog(writeProject(20));
  fake::clearCalls();
  onCommand(window, CMD_LINE_SEGGER);
  EXPECT_TRUE(scanStore.lineSegmentMask.has_value());
  EXPECT_EQ(fake::calls(), std::vector<std::string>{"invalidate()"});
}

TEST_F(MainWindow, VarianceAndNormalMapsEstimateOnceAndRepaint) {
  loadThroughDialog(writeProject(20));
  fake::clearCalls();
  onCommand(window, CMD_VARIANCE_MAP);
  ASSERT_TRUE(scanStore.varianceMap.has_value());
  const double* buffer = scanStore.varianceMap->data();
  onCommand(window, CMD_NORMAL_MAP);
  EXPECT_EQ(scanStore.varianceMap->data(), buffer);  // estimated once per scan
  EXPECT_EQ(fake::calls(), (std::vector<std::string>{"invalidate()", "invalidate()"}));
}

TEST_F(MainWindow, SegmentRegionsKeepsItsFirstResult) {
  loadThroughDialog(writeProject(20));
  fake::clearCalls();
  onCommand(window, CMD_SEGMENT_REGIONS);
  ASSERT_TRUE(scanStore.labelMap.has_value() && scanStore.segmentTable.has_value());
  const uint16_t* labels = scanStore.labelMap->data();
  onCommand(window, CMD_SEGMENT_REGIONS);
  EXPECT_EQ(scanStore.labelMap->data(), labels);
  EXPECT_EQ(fake::calls(), (std::vector<std::string>{"invalidate()", "invalidate()"}));
}

TEST_F(MainWindow, SegmentRegionsEndsSilentlyWhenTheSurfaceEstimationFails) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer ends the program where operator new would throw";
#endif
  loadThroughDialog(writeProject(20));
  scanStore.lineCount = INT32_MAX;  // far too many samples for a variance map
  fake::clearCalls();
  onCommand(window, CMD_SEGMENT_REGIONS);
  scanStore.lineCount = 20;
  EXPECT_TRUE(fake::calls().empty());  // no message of its own, no repaint
  EXPECT_FALSE(scanStore.labelMap.has_value());
}

TEST_F(MainWindow, InverseTogglesOnlyItsCheckMark) {
  onCommand(window, CMD_INVERSE);
  EXPECT_EQ(renderParams.inverse, 1);
  EXPECT_EQ(fake::calls(), std::vector<std::string>{"checkMenuItem(143, checked)"});
  onCommand(window, CMD_INVERSE);
  EXPECT_EQ(renderParams.inverse, 0);
  EXPECT_FALSE(fake::menuChecked(CMD_INVERSE));
}

TEST_F(MainWindow, TileOutlinesAndQueryModeToggleWithCheckMarksAndRepaint) {
  viewState.queryPoint = {5, 6};
  onCommand(window, CMD_QUERY_MODE);
  EXPECT_EQ(viewState.queryMode, 1);
  EXPECT_EQ(viewState.queryPoint.x, 0.0);
  EXPECT_EQ(viewState.queryPoint.y, 0.0);
  onCommand(window, CMD_TILE_OUTLINES);
  EXPECT_EQ(viewState.showTileOutlines, 1);
  EXPECT_EQ(fake::calls(),
            (std::vector<std::string>{"checkMenuItem(142, checked)", "invalidate()",
                                      "checkMenuItem(141, checked)", "invalidate()"}));
}

TEST_F(MainWindow, UnknownCommandsDoNothing) {
  for (int command : {0, 99, 101, 112, 125, 140, 144, 146, 70000}) onCommand(window, command);
  EXPECT_TRUE(fake::calls().empty());
}

TEST_F(MainWindow, ClosePromptOwnedByTheWindow) {
  loadThroughDialog(writeProject(4));
  fake::clearCalls();
  fake::queueMessageAnswer(ws::MessageAnswer::Cancel);
  EXPECT_FALSE(onClose(window));
  EXPECT_EQ(fake::calls(), std::vector<std::string>{"messageBox(main, \"OK to close window?\", "
                                                    "\"QuorvelApp\", OkCancel, Question)"});
  EXPECT_EQ(scanStore.lineCount, 4);
  EXPECT_TRUE(onClose(window));
  onCommand(window, CMD_EXIT);
  EXPECT_EQ(fake::calls().back(), "postCloseRequest()");
}

// A 4-line project whose LabelMap gives sample 10 of line 2 segment 0, everything else none.
class QueryClick : public ShellSession {
 protected:
  void SetUp() override {
    ShellSession::SetUp();
    loadThroughDialog(writeProject(4));
    scanStore.labelMap.emplace(4 * 181, uint16_t{10001});
    scanStore.segmentTable.emplace(MAX_SEGMENTS);
    (*scanStore.labelMap)[10 * 4 + 2] = 0;
    SegmentRecord& segment = (*scanStore.segmentTable)[0];
    segment.pointNum = 40;
    segment.boundaryPt = 10;
    onCommand(window, CMD_QUERY_MODE);
    fake::clearCalls();
  }
};

TEST_F(QueryClick, ShowsTheSegmentUnderTheCursor) {
  // The lookup rounds the point: a click on pixel row y reads the sample of row y - 1.
  onLeftButtonDown(window, 2, 11);
  EXPECT_NEAR(viewState.queryPoint.x, 2.0, 1e-12);
  EXPECT_NEAR(viewState.queryPoint.y, 170.0, 1e-12);
  ASSERT_EQ(fake::callsNamed("runModalDialog"),
            std::vector<std::string>{"runModalDialog(main, 301)"});
  EXPECT_EQ(fake::lastDialogTexts().at(1221), "0.25");
  EXPECT_EQ(fake::calls().back(), "invalidate()");
}

TEST_F(QueryClick, NoSegmentGivesAWarning) {
  onLeftButtonDown(window, 2, 12);
  EXPECT_EQ(fake::calls(), std::vector<std::string>{"messageBox(none, \"Unknown segment info\", "
                                                    "\"Warning\", Ok, NoIcon)"});
}

TEST_F(QueryClick, OutsideTheGridFindsNothing) {
  for (QueryPoint point : {QueryPoint{2, 181.0}, QueryPoint{2, -3}, QueryPoint{4, 100},
                           QueryPoint{-1, 100}, QueryPoint{1e300, -1e300}}) {
    EXPECT_EQ(findSegmentAt(point), nullptr) << point.x << "," << point.y;
  }
  scanStore.labelMap.reset();
  EXPECT_EQ(findSegmentAt({2, 170.0}), nullptr);
}

TEST_F(QueryClick, CancelDoesNotRepaint) {
  fake::queueDialog({{}, 2});
  onLeftButtonDown(window, 2, 11);
  EXPECT_EQ(fake::calls().back(), "endDialog(0)");
}

TEST_F(QueryClick, InversePictureIsReadTheWayItIsShown) {
  onCommand(window, CMD_INVERSE);
  EXPECT_NE(findSegmentAt({2, 170.0}), nullptr);  // the picture was built without Inverse
  onCommand(window, CMD_RANGE_IMAGE);             // now sample 10 is row 10 from the bottom
  EXPECT_EQ(findSegmentAt({2, 170.0}), nullptr);
  EXPECT_NE(findSegmentAt({2, 10.0}), nullptr);
}

TEST_F(QueryClick, QueryModeOffIgnoresClicks) {
  onCommand(window, CMD_QUERY_MODE);
  fake::clearCalls();
  onLeftButtonDown(window, 2, 11);
  EXPECT_TRUE(fake::calls().empty());
}

}  // namespace
}  // namespace quorvel
