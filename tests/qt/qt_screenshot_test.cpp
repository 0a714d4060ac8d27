// Screenshots of the Linux desktop program on an X display (run-xvfb-screenshots starts Xvfb
// and runs this), each a PNG of the whole screen: the sample project after Load Mdl, NormalMap
// and LineSegger, where the picture area on the screen must equal, pixel for pixel, the command
// line's picture of the same command at zoom 100 %; and Query Info open after Segment Regions
// and a query click.
#include <QTest>

#include <cstdlib>
#include <iostream>

#include "app/commands.h"
#include "app/main_window.h"
#include "tests/qt/qt_test_driver.h"
#include "tests/support/test_files.h"

namespace quorvel::qt_test {
namespace {

class QtScreenshots : public QtWindowTest {
 protected:
  void SetUp() override {
    QtWindowTest::SetUp();
    shots = qEnvironmentVariable("QUORVEL_SCREENSHOTS").toStdString();
    ASSERT_FALSE(shots.empty()) << "run me through tests/qt/run-xvfb-screenshots";
  }

  // The whole screen once the window has painted, saved as shots/NAME.png.
  QImage screenshot(const std::string& name) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::qWait(500);
    const std::string path = shots + "/" + name + ".png";
    EXPECT_EQ(std::system(("import -window root " + path).c_str()), 0) << path;
    return readPicture(path);
  }

  // Compares the picture area on the screen with the command line's picture.
  PixelComparison compareWithCli(const QImage& shot, const std::string& picture) {
    const QRect area(window->canvas()->mapToGlobal(QPoint(0, 0)), window->canvas()->size());
    const PixelComparison result =
        comparePixels(shot.copy(area), readPicture(dir + "/cli/" + picture + ".png"));
    std::cout << picture << ": picture area " << area.width() << " x " << area.height() << " at ("
              << area.x() << ", " << area.y() << "), " << result.differing << " of "
              << result.compared << " pixels differ from the command line's\n";
    return result;
  }

  const std::string sample = test::sourcePath("sample/sim.mdl");
  std::string shots;
};

// Load Mdl, NormalMap and LineSegger, each compared with the command line's picture; then
// Segment Regions and a query click with Query Info open.
TEST_F(QtScreenshots, SampleSession) {
  ASSERT_EQ(
      runCommandLine("run " + sample + " --images range,normal,segment --out " + dir + "/cli", dir),
      0);
  loadProject(sample);
  struct Step {
    int command;
    const char* shot;
    const char* picture;  // the command line's name for it
  };
  const Step steps[] = {{CMD_LOAD_MDL, "load-mdl", "range"},
                        {CMD_NORMAL_MAP, "normal-map", "normal"},
                        {CMD_LINE_SEGGER, "line-segger", "segment"}};
  for (const auto& [command, name, picture] : steps) {
    if (command != CMD_LOAD_MDL) window->runCommand(command);
    const QImage shot = screenshot(name);
    const PixelComparison comparison = compareWithCli(shot, picture);
    EXPECT_GT(comparison.compared, 100000) << picture;  // most of the window shows the picture
    EXPECT_EQ(comparison.differing, 0) << picture;
  }
  window->runCommand(CMD_SEGMENT_REGIONS);  // keeps the LineSegger picture: it shows the line mask
  const QueryInfoShown shown = queryClickOnASegment(*window, [this](QDialog* dialog) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
    screenshot("query-info");
  });
  EXPECT_EQ(shown.fields, queriedSegmentFields());
}

}  // namespace
}  // namespace quorvel::qt_test
