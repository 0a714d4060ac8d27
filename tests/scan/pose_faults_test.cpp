// The pose faults the loader finds: a table of drives whose positions jump, with the glitch runs
// each must give; a window read with its context lines gets the whole file's faults; a file that
// ends inside a record's pose or inside its ranges.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "scan/ds_file.h"
#include "scan/pose_glitches.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using Records = std::vector<test::DsRecord>;
using Runs = std::vector<LineRun>;

constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// A drive at projected coordinates moving 0.4 a line along y.
Records drive(size_t lines) {
  Records records(lines);
  for (size_t l = 0; l < lines; ++l) records[l].position = {500000.0, 5400000.0 + 0.4 * l, 100.0};
  return records;
}

void moveBy(Records& records, size_t first, size_t count, double dx) {
  for (size_t l = first; l < first + count; ++l) records[l].position[0] += dx;
}

PoseFaults faultsOf(const Records& records) {
  DsContents contents;
  EXPECT_TRUE(parseDsFile(test::dsFileBytes(1, 180, 100, records), contents).ok());
  return contents.poseFaults;
}

std::string text(const Runs& runs) {
  return runs.empty() ? "none" : runsText(runs);
}

struct GlitchCase {
  const char* name;
  size_t lines;
  std::function<void(Records&)> damage;
  Runs glitches;
  Runs nonFinite = {};
};

TEST(PoseGlitches, AreRunsThatJumpAwayAndComeBack) {
  const std::vector<GlitchCase> cases = {
      {"healthy", 300, [](Records&) {}, {}},
      {"oneLine", 300, [](Records& r) { moveBy(r, 150, 1, 1e7); }, {{150, 1}}},
      {"positionZero",
       300,
       [](Records& r) {
         r[150].position = {0, 0, 0};
       },
       {{150, 1}}},
      {"runOfThree", 300, [](Records& r) { moveBy(r, 150, 3, 1e7); }, {{150, 3}}},
      {"firstLine", 300, [](Records& r) { moveBy(r, 0, 1, -1e7); }, {{0, 1}}},
      {"lastLine", 300, [](Records& r) { r[299].position[1] = 0; }, {{299, 1}}},
      {"runAtStart", 300, [](Records& r) { moveBy(r, 0, 3, 1e7); }, {{0, 3}}},
      {"runAtEnd", 300, [](Records& r) { moveBy(r, 297, 3, 1e7); }, {{297, 3}}},
      {"firstLineAndTheSameOffsetLater",
       300,
       [](Records& r) {
         moveBy(r, 0, 1, 1e7);
         moveBy(r, 150, 1, 1e7);
       },
       {{0, 1}, {150, 1}}},
      // Seen from two lines with one wrong fix, the healthy lines between them form a run too.
      {"sameWrongFixTwice",
       300,
       [](Records& r) {
         r[150].position = r[160].position = {1, 2, 3};
       },
       {{150, 1}, {160, 1}}},
      {"besideNonFinite",
       300,
       [](Records& r) {
         r[149].position[2] = NaN;
         r[150].attitude[0] = INFINITY;
         moveBy(r, 151, 1, 1e7);
       },
       {{151, 1}},
       {{149, 2}}},
      {"withinTenOfBoth", 300, [](Records& r) { moveBy(r, 150, 1, 9.9); }, {}},
      {"recordingPause", 300, [](Records& r) { moveBy(r, 150, 150, 5000); }, {}},
      {"everyLineAJump",
       300,
       [](Records& r) {
         for (size_t l = 0; l < 300; ++l) r[l].position[1] = 400.0 * l;
       },
       {}},
      {"allNonFinite",
       300,
       [](Records& r) {
         for (auto& record : r) record.position[0] = NaN;
       },
       {},
       {{0, 300}}},
      {"longestRun", 800, [](Records& r) { moveBy(r, 100, 500, 1e7); }, {{100, 500}}},
      {"runTooLong", 800, [](Records& r) { moveBy(r, 100, 501, 1e7); }, {}},
  };
  for (const GlitchCase& c : cases) {
    Records records = drive(c.lines);
    c.damage(records);
    const PoseFaults faults = faultsOf(records);
    EXPECT_EQ(text(faults.glitches), text(c.glitches)) << c.name;
    EXPECT_EQ(text(faults.nonFinite), text(c.nonFinite)) << c.name;
  }
  Runs twelve;  // a warning names ten runs and counts the others
  for (int64_t k = 0; k < 12; ++k) twelve.push_back({10 * k, 1});
  EXPECT_TRUE(runsText(twelve).ends_with(", 90 (1 line) and 2 more runs")) << runsText(twelve);
}

// A batch task reads its lines with POSE_CONTEXT_LINES on each side and finds what the whole file
// holds there: runs that reach across the window's edges, at the file's ends, and a run whose
// anchors hold the same wrong fix.
TEST(PoseGlitches, AWindowFindsTheWholeFilesFaultsWithinIt) {
  Records records = drive(4000);
  moveBy(records, 1, 2, 1e7);
  moveBy(records, 1200, 500, -1e7);
  records[2500].position = records[2510].position = {1, 2, 3};
  records[3000].position[0] = NaN;
  moveBy(records, 3001, 1, 1e7);
  moveBy(records, 3998, 2, 1e7);
  const std::string path = test::freshTestDir() + "/drive.ds";
  test::writeFile(path, test::dsFileBytes(1, 180, 100, records));
  DsContents whole;
  ASSERT_TRUE(readDsContents(path, whole).ok());
  ASSERT_EQ(text(whole.poseFaults.glitches),
            "1 (2 lines), 1200 (500 lines), 2500 (1 line), 2510 (1 line), 3001 (1 line), 3998 (2 "
            "lines)");
  for (const LineWindow window :
       {LineWindow{0, 1}, LineWindow{2, 10}, LineWindow{1100, 150}, LineWindow{1650, 1000},
        LineWindow{2505, 3}, LineWindow{2999, 2}, LineWindow{3990, 9}, LineWindow{3999, 5}}) {
    DsContents part;
    ASSERT_TRUE(readDsLineWindow(path, window, part).ok());
    const PoseFaults expected =
        faultsWithin(whole.poseFaults, window.first, window.first + int64_t(part.lines.size()));
    EXPECT_EQ(text(part.poseFaults.glitches), text(expected.glitches)) << window.first;
    EXPECT_EQ(text(part.poseFaults.nonFinite), text(expected.nonFinite)) << window.first;
  }
}

// A file cut inside the last record's pose loads that line without points; cut inside its
// ranges, the line stays with its missing ranges 0. Either way the faults say how much was read.
TEST(DsFile, ARecordCutInsideItsPoseGivesNoPoints) {
  const std::vector<unsigned char> whole = test::dsFileBytes(1, 180, 100, drive(4));
  for (const size_t leftOver : {30u, 47u, 48u, 58u}) {
    std::vector<unsigned char> bytes(whole.begin(), whole.end() - 414 + long(leftOver));
    DsContents contents;
    ASSERT_TRUE(parseDsFile(bytes, contents).ok());
    ASSERT_EQ(contents.lines.size(), 4u);
    const bool poseCut = leftOver < 48;
    EXPECT_EQ(contents.lines[3].poseRejected, poseCut) << leftOver;
    EXPECT_FALSE(contents.lines[2].poseRejected);
    ASSERT_TRUE(contents.poseFaults.cutRecord.has_value());
    EXPECT_EQ(cutRecordText(*contents.poseFaults.cutRecord),
              "3 whole records after the 200 skipped, " + std::to_string(leftOver) +
                  " of 414 bytes of the next left over" +
                  (poseCut ? " (its pose is cut: line 3 gives no points)"
                           : " (its pose is whole: line 3 stays, missing ranges 0)"));
    EXPECT_TRUE(contents.poseFaults.glitches.empty()) << leftOver;  // a cut pose is no glitch
  }
}

}  // namespace
}  // namespace quorvel
