// The `quorvel` program's contract beyond the values of its outputs (those are pinned by the
// golden runs): exit statuses, usage errors, failure texts, the timings, a failed export among
// written ones, the queries of samples without a segment, and the bundled sample's bytes.
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/support/command_run.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using CliRun = test::CommandRun;
using test::textOf;

CliRun runQuorvel(const std::string& dir, const std::string& arguments) {
  return test::runCommand(dir, std::string(QUORVEL_CLI) + " " + arguments);
}

// Two scan lines of a half circle of range 10 seen from 2 above level ground (every piece road),
// or twelve such lines 0.1 apart (one horizontal region segment inside).
class Cli : public ::testing::Test {
 protected:
  void writeProject(size_t lines) {
    dir = test::freshTestDir();
    std::vector<test::DsRecord> records(lines);
    for (size_t l = 0; l < lines; ++l) {
      records[l].position = {10, 20 + (lines > 2 ? 0.1 * static_cast<double>(l) : 0.0), 0};
      records[l].range.assign(181, 1000);
    }
    test::writeFile(dir + "/scan.ds", test::dsFileBytes(1.0f, 180.0f, 100, records));
    test::writeFile(dir + "/van.cal", "shv 0 0 2\n");
    test::writeFile(dir + "/run.mdl", "DIR ./\nDS scan.ds\nCALIB van.cal\n");
    mdl = dir + "/run.mdl";
  }
  void SetUp() override { writeProject(2); }
  std::string dir, mdl;
};

TEST_F(Cli, UsageErrorsExitWithTwoAndFailuresWithOne) {
  test::writeFile(dir + "/grid.master", "width 16\n");
  const std::string run = "run " + mdl + " --out " + dir + "/out ";
  const std::vector<std::pair<std::string, int>> cases = {
      {"", 2},
      {"frobnicate", 2},
      {"info", 2},
      {"info a.mdl --bogus", 2},
      {"simulate", 2},
      {"simulate --out x --setup 2.0", 2},
      {"simulate --out x --lines 0", 2},
      {"simulate --out x --scene moon", 2},
      {"query", 2},
      {"query x.mdl --line 1", 2},
      {"query x.mdl --sample 1", 2},
      {"query x.mdl --line a --sample 1", 2},
      {run + "--images range,bogus", 2},
      {run + "--images ''", 2},
      {run + "--export road", 2},
      {run + "--export all,ply", 2},
      {run + "--mask 5", 2},
      {run + "--mask=a:3", 2},
      {run + "--mask=1:2:3", 2},
      {run + "--threads -1", 2},
      {run + "--export ply --epsg 25832", 2},
      {run + "--export geotiff --epsg 1023", 2},
      {run + "--export geotiff --epsg 32767", 2},
      {run + "--export geotiff --epsg 4326", 2},  // degrees: the scan's metres do not fit
      {"batch " + mdl + " --out " + dir + "/b --export ply --epsg 25832", 2},
      {"batch " + mdl + " --out " + dir + "/b --export las --epsg 4326", 2},
      {run + "--export geotiff --epsg x", 2},
      {run + "--export count-map --map-template " + dir + "/absent.master", 2},
      {"run " + dir + "/absent.mdl --out " + dir + "/out --images all", 1},
      {"query " + dir + "/absent.mdl --line 1 --sample 1", 1},
      {"--help", 0}};
  for (const auto& [arguments, status] : cases) {
    EXPECT_EQ(runQuorvel(dir, arguments).status, status) << arguments;
  }
  EXPECT_FALSE(std::filesystem::exists(dir + "/out/map-h.master"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/b"));  // refused before any work
  const CliRun version = runQuorvel(dir, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("quorvel 0.", 0), 0u) << version.out;
}

TEST_F(Cli, LoadFailuresPrintTheWindowTextWithPathAndReason) {
  CliRun run = runQuorvel(dir, "info " + dir + "/absent.mdl");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Load MDL file failure.: " + dir +
                         "/absent.mdl (cannot open the file: No such file or directory)\n");
  test::writeFile(dir + "/scan.ds", test::dsFileBytes(2.0f, 180.0f, 100, {}));
  run = runQuorvel(dir, "info " + mdl);
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("Load Ds file failure.: " + dir +
                         "/./scan.ds (unsupported set-up: resolution 2, field of view 180"),
            0u)
      << run.err;
  EXPECT_TRUE(run.out.empty());
}

// Flat road lines have no height span: the road height export fails with its reason after every
// other export has been written, and the run exits with 1. The timings name every stage run.
TEST_F(Cli, AFailedExportIsReportedAfterTheOthersAreWritten) {
  const CliRun run =
      runQuorvel(dir, "run " + mdl + " --out " + dir + "/out --export all --images contour,range " +
                          "--mask=-3:20 --inverse --timings --threads 2");
  const std::string out = dir + "/out/";
  EXPECT_EQ(run.status, 1);
  for (const char* stage : {"stage load ", "stage range ", "stage contour ", "stage png ",
                            "stage createVarianceMap ", "stage LineSegger "}) {
    EXPECT_NE(run.err.find(stage), std::string::npos) << stage;
  }
  EXPECT_NE(run.err.find("Export road-height failure.: " + dir + "/out (no road height range"),
            std::string::npos)
      << run.err;
  for (const char* name : {"normal.pt3d", "class.pt3d", "road.ds", "nonroad.ds", "map-h.master",
                           "map-h.raw", "range.png", "contour.png"}) {
    EXPECT_NE(run.out.find("Wrote " + out + name + "\n"), std::string::npos) << name;
  }
  for (const char* name : {"map-r.master", "points.ply", "points.las", "map-h.tif"}) {
    EXPECT_FALSE(std::filesystem::exists(out + name)) << name;
  }
}

TEST_F(Cli, QueryOfASampleWithoutSegmentWarnsAndExitsWithOne) {
  writeProject(12);
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"--line 0 --sample 90", "(sample in no segment: scan line 0, sample 90, label 10001)"},
      {"--line=-1 --sample 90", "(sample outside the grid: scan line -1, sample 90; "},
      {"--line 12 --sample 90", "(sample outside the grid: scan line 12, sample 90; "},
      {"--line 4 --sample 181", "(sample outside the grid: scan line 4, sample 181; "},
      {"--line 4 --sample=-1", "(sample outside the grid: scan line 4, sample -1; "}};
  for (const auto& [where, reason] : cases) {
    const CliRun run = runQuorvel(dir, "query " + mdl + " " + where);
    EXPECT_EQ(run.status, 1) << where;
    EXPECT_EQ(run.err.find(std::string("Unknown segment info: Warning ") + reason), 0u) << run.err;
    EXPECT_TRUE(run.out.empty()) << where;
  }
  EXPECT_EQ(runQuorvel(dir, "query " + mdl + " --line 4 --sample 90").status, 0);
}

TEST(CliSample, SimulatorStillReproducesTheBundledSample) {
  const std::string dir = test::freshTestDir();
  std::string arguments = textOf(test::sourcePath("sample/simulate-arguments.txt"));
  while (!arguments.empty() && std::isspace(static_cast<unsigned char>(arguments.back()))) {
    arguments.pop_back();
  }
  const CliRun run = runQuorvel(dir, "simulate --out " + dir + " " + arguments);
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* name : {"sim.mdl", "sim.cal", "sim.ds", "truth.npy", "truth-kerbs.npy"}) {
    EXPECT_TRUE(test::readFile(dir + "/" + name) ==
                test::readFile(test::sourcePath("sample/") + name))
        << name << " differs from the bundled sample";
  }
}

}  // namespace
}  // namespace quorvel
