// The menus of the Linux desktop program against the Windows program's menu resource, their
// check marks, and the zoom items and keys.
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include <fstream>
#include <regex>

#include "app/commands.h"
#include "app/main_window.h"
#include "app/view_state.h"
#include "features/range_image.h"
#include "tests/qt/qt_test_driver.h"
#include "tests/support/test_files.h"

namespace quorvel::qt_test {
namespace {

struct ResourceItem {
  std::string text;  // empty: a separator
  int command = 0;
  bool operator==(const ResourceItem&) const = default;
};

struct ResourceMenu {
  std::string title;
  std::vector<ResourceItem> items;
  bool operator==(const ResourceMenu&) const = default;
};

// The POPUP and MENUITEM lines of menu resource 6 in resources/quorvel.rc.
std::vector<ResourceMenu> resourceMenus() {
  std::ifstream rc(test::sourcePath("resources/quorvel.rc"));
  const std::regex popup(R"re(\s*POPUP\s+"([^"]*)".*)re");
  const std::regex item(R"re(\s*MENUITEM\s+"([^"]*)",\s*(\d+).*)re");
  const std::regex separator(R"re(\s*MENUITEM\s+SEPARATOR.*)re");
  std::vector<ResourceMenu> menus;
  bool inMenu = false;
  std::smatch match;
  for (std::string line; std::getline(rc, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (line == "6 MENU") inMenu = true;
    if (!inMenu) continue;
    if (line == "END") break;
    if (std::regex_match(line, match, popup)) menus.push_back({match[1], {}});
    if (std::regex_match(line, match, item))
      menus.back().items.push_back({match[1], stoi(match[2])});
    if (std::regex_match(line, separator)) menus.back().items.push_back({});
  }
  return menus;
}

// The menu bar as the window shows it, with each item's command found through the window.
std::vector<ResourceMenu> shownMenus(const QtMainWindow& window) {
  std::vector<ResourceMenu> menus;
  for (QAction* bar : window.menuBar()->actions()) {
    menus.push_back({bar->menu()->title().toStdString(), {}});
    for (QAction* entry : bar->menu()->actions()) {
      ResourceItem shown;
      if (!entry->isSeparator()) shown.text = entry->text().toStdString();
      for (int command = 100; command <= 145 && !entry->isSeparator(); ++command) {
        if (window.action(command) == entry) shown.command = command;
      }
      menus.back().items.push_back(shown);
    }
  }
  return menus;
}

using QtMenus = QtWindowTest;

TEST_F(QtMenus, AreTheWindowsProgramsMenus) {
  const std::vector<ResourceMenu> expected = resourceMenus();
  ASSERT_EQ(expected.size(), 5u);  // File, Zoom, Action, Options, Export
  EXPECT_EQ(shownMenus(*window), expected);
}

TEST_F(QtMenus, OptionItemsCheckAndUncheckWithTheirFlags) {
  struct Option {
    int command;
    const int32_t* flag;
  };
  for (const Option& option :
       {Option{CMD_INVERSE, &renderParams.inverse}, Option{CMD_QUERY_MODE, &viewState.queryMode},
        Option{CMD_TILE_OUTLINES, &viewState.showTileOutlines}}) {
    QAction* item = window->action(option.command);
    ASSERT_TRUE(item && item->isCheckable()) << option.command;
    EXPECT_FALSE(item->isChecked());
    item->trigger();
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(*option.flag, 1) << option.command;
    item->trigger();
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(*option.flag, 0) << option.command;
  }
  for (int command : {CMD_LOAD_MDL, CMD_ZOOM_100, CMD_LINE_SEGGER, CMD_EXPORT_ROAD_DS}) {
    EXPECT_FALSE(window->action(command)->isCheckable()) << command;
  }
}

TEST_F(QtMenus, ZoomItemsFitTheWindowToTheZoomedPicture) {
  loadProject(dir + "/run.mdl");  // 904 x 361 picture pixels
  window->action(CMD_ZOOM_25)->trigger();
  EXPECT_EQ(viewState.zoom, 0.25);
  EXPECT_EQ(window->canvas()->size(), QSize(226, 91));  // 90.25 rounded up
  EXPECT_FALSE(window->bar(true)->isVisible());
  const QSize fitted = window->size();
  window->action(CMD_ZOOM_200)->trigger();  // zooming in never enlarges the window
  EXPECT_EQ(viewState.zoom, 2.0);
  EXPECT_EQ(window->size(), fitted);
  EXPECT_EQ(window->bar(true)->maximum(), 1808 - window->canvas()->width());
  EXPECT_EQ(window->bar(false)->maximum(), 722 - window->canvas()->height());
}

TEST_F(QtMenus, HomeAndEndZoomByATenthOtherKeysDoNothing) {
  viewState.zoom = 1.0;
  for (int i = 0; i < 10; ++i) QTest::keyClick(window.get(), Qt::Key_Home);
  EXPECT_NEAR(viewState.zoom, 2.5937424601, 1e-9);
  for (int i = 0; i < 10; ++i) QTest::keyClick(window.get(), Qt::Key_End);
  EXPECT_NEAR(viewState.zoom, 1.0, 1e-12);
  QTest::keyClick(window.get(), Qt::Key_PageDown);
  QTest::keyClick(window.get(), Qt::Key_A);
  EXPECT_NEAR(viewState.zoom, 1.0, 1e-12);
}

}  // namespace
}  // namespace quorvel::qt_test
