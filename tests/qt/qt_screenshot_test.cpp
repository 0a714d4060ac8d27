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

// Pixels of the shown picture area that differ from the command line's picture.
struct Comparison {
  QRect area;  // on the screen
  int64_t compared = 0;
  int64_t differing = 0;
};

class QtScreenshots : public QtWindowTest {
 protected:
  void SetUp() override {
    QtWindowTest::SetUp();
    shots = qEnvironmentVariable("QUORVEL_SCREENSHOTS").toStdString();
    ASSERT_FALSE(shots.empty()) << "run me through tests/qt/run-xvfb-screenshots";
  }

  // The command line's pictures of the sample into dir/cli; its exit status.
  int writeCliPictures() {
    const std::string cli = std::string(QUORVEL_CLI) + " run " + sample +
                            " --images range,normal,segment --quiet --out " + dir + "/cli >" + dir +
                            "/cli.txt 2>&1";
    return std::system(cli.c_str());
  }

  // The whole screen once the window has painted, saved as shots/NAME.png.
  QImage screenshot(const std::string& name) {
    EXPECT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    QTest::qWait(500);
    const std::string path = shots + "/" + name + ".png";
    EXPECT_EQ(std::system(("import -window root " + path).c_str()), 0) << path;
    return QImage(QString::fromStdString(path)).convertToFormat(QImage::Format_RGB32);
  }

  Comparison compareWithCli(const QImage& shot, const std::string& picture) {
    const QImage expected = QImage(QString::fromStdString(dir + "/cli/" + picture + ".png"))
                                .convertToFormat(QImage::Format_RGB32);
    Comparison result{QRect(window->canvas()->mapToGlobal(QPoint(0, 0)), window->canvas()->size())};
    for (int y = 0; y < result.area.height() && y < expected.height(); ++y) {
      for (int x = 0; x < result.area.width() && x < expected.width(); ++x) {
        ++result.compared;
        if (shot.pixel(result.area.topLeft() + QPoint(x, y)) != expected.pixel(x, y))
          ++result.differing;
      }
    }
    std::cout << picture << ": picture area " << result.area.width() << " x "
              << result.area.height() << " at (" << result.area.x() << ", " << result.area.y()
              << "), " << result.differing << " of " << result.compared
              << " pixels differ from the command line's\n";
    return result;
  }

  const std::string sample = test::sourcePath("sample/sim.mdl");
  std::string shots;
};

// Load Mdl, NormalMap and LineSegger, each compared with the command line's picture; then
// Segment Regions and a query click with Query Info open.
TEST_F(QtScreenshots, SampleSession) {
  ASSERT_EQ(writeCliPictures(), 0);
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
    const Comparison comparison = compareWithCli(shot, picture);
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
