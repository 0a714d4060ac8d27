#include "app/view.h"

#include <gtest/gtest.h>

#include <climits>

#include "app/commands.h"
#include "platform/headless/headless_platform.h"
#include "render/bitmap_tile_store.h"
#include "tests/app/shell_session.h"

namespace quorvel {
namespace {

using test::ShellSession;

TEST(ZoomedExtent, RoundsUpButDropsTenths) {
  EXPECT_EQ(zoomedExtent(1000, 0.25), 250);
  EXPECT_EQ(zoomedExtent(361, 0.25), 91);
  EXPECT_EQ(zoomedExtent(1000, 1.1), 1100);
  EXPECT_EQ(zoomedExtent(361, 1.1), 398);
  EXPECT_EQ(zoomedExtent(1001, 0.25), 251);     // 250.25
  EXPECT_EQ(zoomedExtent(1000, 0.25004), 250);  // 250.04
  EXPECT_EQ(zoomedExtent(1000, 1e300), INT_MAX);
  EXPECT_EQ(zoomedExtent(0, 2.0), 0);
}

class View : public ShellSession {
 protected:
  // 5 000 lines of 181 samples: three tiles of 2048 x 181.
  void loadWideProject() { loadThroughDialog(writeProject(5000)); }
};

TEST_F(View, FitOnlyEverShrinks) {
  fake::setClientSize(100, 100);
  loadThroughDialog(writeProject(20));  // 24 x 181: wider than it is, less tall
  EXPECT_EQ(fake::callsNamed("resizeClientArea"),
            std::vector<std::string>{"resizeClientArea(24, 100)"});
  fake::clearCalls();
  fitWindowToImage(window, 1.0);
  EXPECT_TRUE(fake::callsNamed("resizeClientArea").empty());
}

TEST_F(View, NestedSizeDuringTheRangeUpdateReturnsAtOnce) {
  loadWideProject();
  fake::setClientSize(800, 617);
  fake::clearCalls();
  updateScrollRanges(window, 8.0);  // showing the bars resizes the client: WM_SIZE comes back
  EXPECT_EQ(fake::callsNamed("setScrollRange").size(), 4u);
  EXPECT_EQ(viewState.scrollUpdateDepth, 0);
  EXPECT_EQ(fake::scrollState(ws::ScrollBar::Vertical).max, 181 * 8 - 600);
  EXPECT_EQ(fake::scrollState(ws::ScrollBar::Horizontal).max, 6144 * 8 - 783);
}

TEST_F(View, ScrollStepsAreAsymmetricAndClamped) {
  loadWideProject();
  fake::setClientSize(800, 617);
  viewState.zoom = 8.0;
  updateScrollRanges(window, 8.0);
  ASSERT_EQ(ws::clientRect(window).bottom, 600);
  fake::clearCalls();
  onScroll(window, ws::ScrollBar::Vertical, SCROLL_LINE_DOWN, 0);
  onScroll(window, ws::ScrollBar::Vertical, SCROLL_LINE_UP, 0);
  onScroll(window, ws::ScrollBar::Vertical, SCROLL_PAGE_DOWN, 0);
  onScroll(window, ws::ScrollBar::Vertical, SCROLL_PAGE_UP, 0);
  EXPECT_EQ(fake::calls(),
            (std::vector<std::string>{"scrollWindow(0, -38)", "setScrollPosition(vertical, 38)",
                                      "scrollWindow(0, 36)", "setScrollPosition(vertical, 2)",
                                      "scrollWindow(0, -301)", "setScrollPosition(vertical, 303)",
                                      "scrollWindow(0, 299)", "setScrollPosition(vertical, 4)"}));
  fake::clearCalls();
  onScroll(window, ws::ScrollBar::Vertical, SCROLL_THUMB_TRACK, 100000);
  EXPECT_EQ(fake::scrollState(ws::ScrollBar::Vertical).pos, 848);
  fake::clearCalls();
  onScroll(window, ws::ScrollBar::Vertical, SCROLL_LINE_DOWN, 0);  // at the end: nothing at all
  onScroll(window, ws::ScrollBar::Horizontal, SCROLL_PAGE_UP, 0);
  onScroll(window, ws::ScrollBar::Horizontal, 8, 0);  // an unknown request
  EXPECT_TRUE(fake::calls().empty());
  onScroll(window, ws::ScrollBar::Horizontal, SCROLL_LINE_DOWN, 0);  // client width 783
  EXPECT_EQ(fake::calls(), (std::vector<std::string>{"scrollWindow(-49, 0)",
                                                     "setScrollPosition(horizontal, 49)"}));
}

TEST_F(View, PaintsOnlyVisibleTilesAndOutlinesEveryTile) {
  failNextTileBitmaps(1);  // the first tile gets no bitmap
  loadWideProject();
  viewState.showTileOutlines = 1;
  fake::clearCalls();
  paintView(nullptr, 2100, 0, 2100 + 784, 181);
  EXPECT_EQ(fake::callsNamed("stretchTile"),
            std::vector<std::string>{"stretchTile(2048, 181, 2048, 0, 2048, 181)"});
  const auto moves = fake::callsNamed("moveTo");
  EXPECT_EQ(moves,
            (std::vector<std::string>{"moveTo(0, 0)", "moveTo(2048, 0)", "moveTo(4096, 0)"}));
  const auto lines = fake::callsNamed("lineTo");
  ASSERT_EQ(lines.size(), 12u);
  EXPECT_EQ(lines[0], "lineTo(0, 181)");
  EXPECT_EQ(lines[1], "lineTo(2048, 181)");
  EXPECT_EQ(lines[2], "lineTo(2048, 0)");
  EXPECT_EQ(lines[3], "lineTo(0, 0)");
  EXPECT_EQ(fake::calls().front(), "setWindowOrigin(2100, 0)");
  EXPECT_EQ(fake::calls().back(), "restoreBrush()");
}

TEST_F(View, QueryMarkerSitsUnderTheClick) {
  loadThroughDialog(writeProject(20));
  viewState.queryMode = 1;
  fake::clearCalls();
  paintView(nullptr, 0, 0, 24, 181);
  EXPECT_EQ(fake::callsNamed("ellipse"), std::vector<std::string>{"ellipse(-4, 177, 4, 185)"});
  viewState.zoom = 2.0;
  viewState.queryPoint = {10, 100};
  fake::clearCalls();
  paintView(nullptr, 0, 0, 48, 362);
  EXPECT_EQ(fake::callsNamed("ellipse"), std::vector<std::string>{"ellipse(16, 158, 24, 166)"});
}

TEST_F(View, NothingIsPaintedBeforeThePicture) {
  paintView(nullptr, 0, 0, 100, 100);
  fitWindowToImage(window, 1.0);
  updateScrollRanges(window, 1.0);
  onLeftButtonDown(window, 1, 1);
  EXPECT_TRUE(fake::calls().empty());
}

}  // namespace
}  // namespace quorvel
