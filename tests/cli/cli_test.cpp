// End-to-end tests of the `quorvel` program: exit statuses, texts and files.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/support/command_run.h"
#include "tests/support/ply_reader.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using CliRun = test::CommandRun;
using test::textOf;

CliRun runQuorvel(const std::string& dir, const std::string& arguments) {
  return test::runCommand(dir, std::string(QUORVEL_CLI) + " " + arguments);
}

class Cli : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::freshTestDir();
    test::DsRecord record;
    record.position = {10, 20, 0};
    record.range.assign(181, 1000);
    test::writeFile(dir + "/scan.ds", test::dsFileBytes(1.0f, 180.0f, 100, {record, record}));
    test::writeFile(dir + "/van.cal", "shv 0 0 2\n");
    test::writeFile(dir + "/run.mdl", "DIR ./\nDS scan.ds\nCALIB van.cal\n");
  }
  std::string dir;
};

TEST_F(Cli, InfoDescribesTheProject) {
  const CliRun run = runQuorvel(dir, "info " + dir + "/run.mdl");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.out.find("Field of view:           180 degrees"), std::string::npos);
  EXPECT_NE(run.out.find("Angular resolution:      1 degrees"), std::string::npos);
  EXPECT_NE(run.out.find("Points per line:         181"), std::string::npos);
  EXPECT_NE(run.out.find("Record size:             414 bytes"), std::string::npos);
  EXPECT_NE(run.out.find("Scan lines:              2"), std::string::npos);
  EXPECT_NE(run.out.find("Calibration translation: 0.000000 0.000000 2.000000"), std::string::npos);
  EXPECT_NE(run.out.find("Valid samples:           362 of 362"), std::string::npos);
  EXPECT_NE(run.out.find("World bounding box min:  0.000 20.000 2.000"), std::string::npos);
  EXPECT_NE(run.out.find("World bounding box max:  20.000 30.000 2.000"), std::string::npos);
}

TEST_F(Cli, LoadFailuresPrintTheWindowTextWithPathAndReason) {
  CliRun run = runQuorvel(dir, "info " + dir + "/absent.mdl");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "Load MDL file failure.: " + dir +
                         "/absent.mdl (cannot open the file: No such file or directory)\n");

  test::writeFile(dir + "/scan.ds", test::dsFileBytes(2.0f, 180.0f, 100, {}));
  run = runQuorvel(dir, "info " + dir + "/run.mdl");
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err.find("Load Ds file failure.: " + dir +
                         "/./scan.ds (unsupported set-up: "
                         "resolution 2, field of view 180"),
            0u)
      << run.err;
  EXPECT_TRUE(run.out.empty());
}

TEST_F(Cli, UsageErrorsExitWithTwo) {
  for (const char* arguments :
       {"", "frobnicate", "info", "info a.mdl --bogus", "simulate --out x --setup 2.0",
        "simulate --out x --lines 0", "simulate --out x --scene moon", "simulate"}) {
    EXPECT_EQ(runQuorvel(dir, arguments).status, 2) << arguments;
  }
  EXPECT_EQ(runQuorvel(dir, "--help").status, 0);
  const CliRun version = runQuorvel(dir, "--version");
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out.rfind("quorvel 0.", 0), 0u) << version.out;
}

TEST_F(Cli, RunWritesThePicturesAndTimings) {
  const CliRun run = runQuorvel(dir, "run " + dir + "/run.mdl --out " + dir +
                                         "/out --images contour,range --mask=-3:20 --inverse "
                                         "--timings --threads 2");
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* name : {"range.png", "contour.png"}) {
    const auto png = test::readFile(dir + "/out/" + name);
    ASSERT_GT(png.size(), 24u) << name;
    EXPECT_EQ(png[1], 'P');
    EXPECT_EQ(png[19], 8);    // width 8: two lines fill one 8-column picture
    EXPECT_EQ(png[23], 181);  // height: the samples per line
  }
  for (const char* stage : {"stage load ", "stage range ", "stage contour ", "stage png "}) {
    EXPECT_NE(run.err.find(stage), std::string::npos) << stage;
  }
}

// The .npy header's dictionary and the data after it.
struct NpyContents {
  std::string header;
  std::vector<unsigned char> data;
};

NpyContents readNpy(const std::string& path) {
  const auto bytes = test::readFile(path);
  if (bytes.size() < 10) return {};
  const size_t length = bytes[8] | (bytes[9] << 8);
  return {std::string(bytes.begin() + 10, bytes.begin() + 10 + static_cast<long>(length)),
          std::vector<unsigned char>(bytes.begin() + 10 + static_cast<long>(length), bytes.end())};
}

double doubleAt(const std::vector<unsigned char>& data, size_t index) {
  double value = 0;
  std::memcpy(&value, data.data() + 8 * index, sizeof value);
  return value;
}

TEST_F(Cli, RunWritesSurfacePicturesAndDumpsTheirBuffers) {
  const CliRun run = runQuorvel(dir, "run " + dir + "/run.mdl --out " + dir +
                                         "/out --images normal,variance --dump --timings");
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* name : {"variance.png", "normal.png"}) {
    EXPECT_GT(test::readFile(dir + "/out/" + name).size(), 24u) << name;
  }
  EXPECT_NE(run.err.find("stage createVarianceMap "), std::string::npos);
  EXPECT_NE(run.out.find("Wrote " + dir + "/out/normal.npy"), std::string::npos);

  const NpyContents variance = readNpy(dir + "/out/variance.npy");
  EXPECT_NE(variance.header.find("'descr': '<f8'"), std::string::npos);
  EXPECT_NE(variance.header.find("'shape': (181, 2)"), std::string::npos) << variance.header;
  ASSERT_EQ(variance.data.size(), 181u * 2 * 8);
  EXPECT_EQ(doubleAt(variance.data, 0), -1.0);  // two lines: every sample is on the border

  const NpyContents normal = readNpy(dir + "/out/normal.npy");
  EXPECT_NE(normal.header.find("'shape': (181, 2, 3)"), std::string::npos) << normal.header;
  ASSERT_EQ(normal.data.size(), 181u * 2 * 3 * 8);
  // Both lines lie in the level plane z = 2: every normal points straight up.
  EXPECT_EQ(doubleAt(normal.data, 3 * (90 * 2 + 1) + 2), 1.0);
}

TEST_F(Cli, AllPicturesIncludeTheSurfacePictures) {
  const CliRun run = runQuorvel(dir, "run " + dir + "/run.mdl --out " + dir + "/out --images all");
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* name :
       {"range.png", "variance.png", "normal.png", "contour.png", "segment.png"}) {
    EXPECT_TRUE(std::filesystem::exists(dir + "/out/" + name)) << name;
  }
}

// Both lines see the same arc of range 10 from 2 above the ground: every piece is road.
TEST_F(Cli, RunWritesTheSegmentPictureAndTheLineSegmentationDump) {
  const CliRun run = runQuorvel(
      dir, "run " + dir + "/run.mdl --out " + dir + "/out --images segment --dump --timings");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("stage LineSegger "), std::string::npos);
  const auto png = test::readFile(dir + "/out/segment.png");
  ASSERT_GT(png.size(), 24u);
  EXPECT_EQ(png[23], 181);

  const auto npy = test::readFile(dir + "/out/linemask.npy");
  ASSERT_EQ(npy.size(), 128u + 2 * 181);
  EXPECT_NE(std::string(npy.begin(), npy.begin() + 128).find("'shape': (2, 181)"),
            std::string::npos);
  EXPECT_EQ(std::vector<unsigned char>(npy.begin() + 128, npy.end()),
            std::vector<unsigned char>(2 * 181, 2));

  std::istringstream csv(textOf(dir + "/out/linesegments.csv"));
  std::string row;
  ASSERT_TRUE(std::getline(csv, row));
  EXPECT_EQ(row, "line,first,last,lineClass");
  std::vector<std::string> lines[2];
  while (std::getline(csv, row)) {
    const size_t comma = row.find(',');
    ASSERT_TRUE(row[0] == '0' || row[0] == '1') << row;
    lines[row[0] - '0'].push_back(row.substr(comma));
  }
  EXPECT_FALSE(lines[0].empty());
  EXPECT_EQ(lines[0], lines[1]);
  EXPECT_EQ(lines[0].front().find(",0,"), 0u);
  EXPECT_EQ(lines[0].back().find(",180,2"), lines[0].back().size() - 6);
}

// Two identical road lines: every export but the road height raster (no height span) writes;
// that one fails with its reason, after the others have been written.
TEST_F(Cli, RunWritesTheExports) {
  const CliRun run =
      runQuorvel(dir, "run " + dir + "/run.mdl --out " + dir + "/out --export all --timings");
  const std::string out = dir + "/out/";
  EXPECT_EQ(run.status, 1);
  EXPECT_NE(run.err.find("stage createVarianceMap "), std::string::npos);
  EXPECT_NE(run.err.find("stage LineSegger "), std::string::npos);
  EXPECT_NE(run.err.find("Export road-height failure.: " + dir + "/out (no road height range"),
            std::string::npos)
      << run.err;
  EXPECT_EQ(std::filesystem::file_size(out + "normal.pt3d"), 2u * 181 * 32);
  EXPECT_EQ(test::readFile(out + "class.pt3d").size(), 2u * 181 * 32);
  EXPECT_EQ(std::filesystem::file_size(out + "road.ds"), 12u + 2 * 414);
  EXPECT_EQ(std::filesystem::file_size(out + "nonroad.ds"), 12u + 2 * 414);
  EXPECT_EQ(textOf(out + "map-h.master").rfind("width\t", 0), 0u);
  EXPECT_TRUE(std::filesystem::exists(out + "map-h.raw"));
  EXPECT_FALSE(std::filesystem::exists(out + "map-r.master"));
  EXPECT_NE(run.out.find("Wrote " + out + "map-h.raw"), std::string::npos);
  for (const char* name : {"points.ply", "points.las", "map-h.tif"}) {
    EXPECT_FALSE(std::filesystem::exists(out + name)) << name << ": not one of the six of all";
  }
}

TEST_F(Cli, MapExportsReadTheTemplate) {
  test::writeFile(dir + "/grid.master", "width 16\r\nlength 4\r\npixelsize 2\r\n");
  const CliRun run =
      runQuorvel(dir, "run " + dir + "/run.mdl --out " + dir +
                          "/out --export count-map --map-template " + dir + "/grid.master");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(textOf(dir + "/out/map-h.master").rfind("width\t16\r\nlength\t4\r\n", 0), 0u);
  EXPECT_EQ(std::filesystem::file_size(dir + "/out/map-h.raw"), 64u);
  EXPECT_FALSE(std::filesystem::exists(dir + "/out/normal.pt3d"));
}

TEST_F(Cli, AMissingMapTemplateIsAUsageError) {
  const CliRun run =
      runQuorvel(dir, "run " + dir + "/run.mdl --out " + dir +
                          "/out --export count-map --map-template " + dir + "/absent.master");
  EXPECT_EQ(run.status, 2);
  EXPECT_FALSE(std::filesystem::exists(dir + "/out/map-h.master"));
}

// Twelve lines of a half circle of range 10 over level ground, 0.1 apart: the interior samples
// (variance 0) form one horizontal segment of 10 lines by 179 samples, 8 x 177 of them inner.
class CliRegions : public Cli {
 protected:
  void SetUp() override {
    Cli::SetUp();
    std::vector<test::DsRecord> records(12);
    for (size_t l = 0; l < records.size(); ++l) {
      records[l].position = {10, 20 + 0.1 * static_cast<double>(l), 0};
      records[l].range.assign(181, 1000);
    }
    test::writeFile(dir + "/scan.ds", test::dsFileBytes(1.0f, 180.0f, 100, records));
  }
};

TEST_F(CliRegions, QueryPrintsTheQueryInfoFieldsOfTheSegment) {
  const CliRun run = runQuorvel(dir, "query " + dir + "/run.mdl --line 4 --sample 90");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_EQ(run.out,
            "Label: 0\nSurface Normal x: 0.00\nSurface Normal y: 0.00\nSurface Normal z: 1.00\n"
            "Max Pt x: 20.00\nMax Pt y: 31.00\nMax Pt z: 2.00\n"
            "Min Pt x: 0.00\nMin Pt y: 20.27\nMin Pt z: 2.00\n"
            "width: 22.69\nheight: 0.00\nPoint Num: 1790\nVar: 0.0000\nClassi: 1\n"
            "Density: 0.21\nBoundary Pt: 374\n");
}

TEST_F(CliRegions, QueryOfASampleWithoutSegmentWarnsAndExitsWithOne) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"--line 0 --sample 90", "(sample in no segment: scan line 0, sample 90, label 10001)"},
      {"--line=-1 --sample 90", "(sample outside the grid: scan line -1, sample 90; "},
      {"--line 12 --sample 90", "(sample outside the grid: scan line 12, sample 90; "},
      {"--line 4 --sample 181", "(sample outside the grid: scan line 4, sample 181; "},
      {"--line 4 --sample=-1", "(sample outside the grid: scan line 4, sample -1; "}};
  for (const auto& [where, reason] : cases) {
    const CliRun run = runQuorvel(dir, "query " + dir + "/run.mdl " + where);
    EXPECT_EQ(run.status, 1) << where;
    EXPECT_EQ(run.err.find(std::string("Unknown segment info: Warning ") + reason), 0u) << run.err;
    EXPECT_TRUE(run.out.empty()) << where;
  }
}

TEST_F(CliRegions, QueryNeedsAProjectALineAndASample) {
  for (const char* arguments : {"query", "query x.mdl --line 1", "query x.mdl --sample 1",
                                "query x.mdl --line a --sample 1"}) {
    EXPECT_EQ(runQuorvel(dir, arguments).status, 2) << arguments;
  }
  EXPECT_EQ(runQuorvel(dir, "query " + dir + "/absent.mdl --line 1 --sample 1").status, 1);
}

TEST_F(CliRegions, DumpWritesTheLabelMapAndTheSegmentTable) {
  const CliRun run =
      runQuorvel(dir, "run " + dir + "/run.mdl --out " + dir + "/out --dump --timings");
  ASSERT_EQ(run.status, 0) << run.err;
  EXPECT_NE(run.err.find("stage USFsegger "), std::string::npos);
  EXPECT_NE(
      run.out.find("Wrote " + dir + "/out/normal.npy\nWrote " + dir + "/out/labels.npy\nWrote " +
                   dir + "/out/segments.csv\nWrote " + dir + "/out/linemask.npy\n"),
      std::string::npos)
      << run.out;

  const NpyContents labels = readNpy(dir + "/out/labels.npy");
  EXPECT_NE(labels.header.find("'descr': '<u2'"), std::string::npos);
  EXPECT_NE(labels.header.find("'shape': (181, 12)"), std::string::npos) << labels.header;
  ASSERT_EQ(labels.data.size(), 181u * 12 * 2);
  const auto labelAt = [&](size_t l, size_t s) {
    const size_t i = 2 * (s * 12 + l);
    return labels.data[i] | (labels.data[i + 1] << 8);
  };
  EXPECT_EQ(labelAt(0, 90), 10001);
  EXPECT_EQ(labelAt(1, 1), 0);
  EXPECT_EQ(labelAt(10, 179), 0);
  EXPECT_EQ(labelAt(11, 179), 10001);

  std::istringstream csv(textOf(dir + "/out/segments.csv"));
  std::string row;
  ASSERT_TRUE(std::getline(csv, row));
  EXPECT_EQ(row,
            "label,classCode,nx,ny,nz,planeOffset,var,maxx,maxy,maxz,minx,miny,minz,width,height,"
            "pointNum,boundaryPt");
  ASSERT_TRUE(std::getline(csv, row));
  EXPECT_EQ(row.find("0,1,"), 0u) << row;
  EXPECT_EQ(row.substr(row.size() - 9), ",1790,374") << row;
  EXPECT_NE(row.find(",30.999999999999996,"), std::string::npos) << row;  // 17 digits
  EXPECT_FALSE(std::getline(csv, row)) << "one segment only";
}

TEST_F(Cli, RunRejectsBadListsAndMasks) {
  for (const char* options :
       {"--images range,bogus", "--images ''", "--export road", "--export all,ply", "--mask 5",
        "--mask=a:3", "--mask=1:2:3", "--threads -1", "--export ply --epsg 25832",
        "--export geotiff --epsg 1023", "--export geotiff --epsg 32767",
        "--export geotiff --epsg x"}) {
    const CliRun run = runQuorvel(dir, "run " + dir + "/run.mdl --out " + dir + "/out " + options);
    EXPECT_EQ(run.status, 2) << options;
  }
  EXPECT_EQ(runQuorvel(dir, "run " + dir + "/absent.mdl --out " + dir + "/out --images all").status,
            1);
}

TEST_F(Cli, SimulatedProjectLoads) {
  const CliRun simulate =
      runQuorvel(dir, "simulate --out " + dir + "/sim --lines 40 --setup 0.25 --seed 7");
  ASSERT_EQ(simulate.status, 0) << simulate.err;
  for (const char* name : {"sim.mdl", "sim.cal", "sim.ds", "truth.npy"}) {
    EXPECT_TRUE(std::filesystem::exists(dir + "/sim/" + name)) << name;
  }
  const CliRun info = runQuorvel(dir, "info " + dir + "/sim/sim.mdl");
  ASSERT_EQ(info.status, 0) << info.err;
  EXPECT_NE(info.out.find("Points per line:         401"), std::string::npos);
  EXPECT_NE(info.out.find("Scan lines:              40"), std::string::npos);
}

// A simulated street has road samples of many heights: both map rasters hold width x length
// bytes of their headers, the road height raster with its height scale.
TEST_F(Cli, MapExportsOfASimulatedStreetMatchTheirHeaders) {
  ASSERT_EQ(runQuorvel(dir, "simulate --out " + dir + "/sim --lines 60 --seed 3").status, 0);
  const CliRun run = runQuorvel(
      dir, "run " + dir + "/sim/sim.mdl --out " + dir + "/out --export road-height,count-map");
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* base : {"/out/map-r", "/out/map-h"}) {
    int width = 0, length = 0;
    std::istringstream header(textOf(dir + base + ".master"));
    std::string key;
    header >> key >> width >> key >> length;
    EXPECT_GT(width * length, 0) << base;
    EXPECT_EQ(std::filesystem::file_size(dir + base + ".raw"), size_t(width) * size_t(length));
  }
  EXPECT_NE(textOf(dir + "/out/map-r.master").find("\r\ndemres\t"), std::string::npos);
}

// The files of the user's other tools from a simulated street: the PLY and the LAS hold the same
// points, the GeoTIFFs sit beside the map rasters they are made from.
TEST_F(Cli, RunWritesThePointCloudsAndGeoTiffs) {
  ASSERT_EQ(runQuorvel(dir, "simulate --out " + dir + "/sim --lines 60 --seed 3").status, 0);
  const CliRun run = runQuorvel(dir, "run " + dir + "/sim/sim.mdl --out " + dir +
                                         "/out --export ply,las,geotiff --epsg 25832 --timings");
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* stage : {"stage createVarianceMap ", "stage LineSegger ", "stage USFsegger "}) {
    EXPECT_NE(run.err.find(stage), std::string::npos) << stage;
  }
  const std::string out = dir + "/out/";
  for (const char* name : {"points.ply", "points.las", "map-h.master", "map-h.raw", "map-h.tif",
                           "map-r.master", "map-r.raw", "map-r.tif"}) {
    EXPECT_NE(run.out.find("Wrote " + out + name + "\n"), std::string::npos) << name;
    EXPECT_TRUE(std::filesystem::exists(out + name)) << name;
  }
  test::PlyCloud cloud;
  std::string error;
  ASSERT_TRUE(test::parsePly(test::readFile(out + "points.ply"), cloud, error)) << error;
  EXPECT_EQ(cloud.comments.at(0), "Quorvel points of project sim.mdl");
  const auto las = test::readFile(out + "points.las");
  ASSERT_GE(las.size(), 255u);
  uint64_t lasCount = 0;
  std::memcpy(&lasCount, las.data() + 247, sizeof lasCount);
  EXPECT_EQ(lasCount, cloud.count);
  EXPECT_GT(cloud.count, 0u);
}

TEST(CliSample, SimulatorStillReproducesTheBundledSample) {
  const std::string dir = test::freshTestDir();
  std::string arguments = textOf(test::sourcePath("sample/simulate-arguments.txt"));
  while (!arguments.empty() && std::isspace(static_cast<unsigned char>(arguments.back()))) {
    arguments.pop_back();
  }
  const CliRun run = runQuorvel(dir, "simulate --out " + dir + " " + arguments);
  ASSERT_EQ(run.status, 0) << run.err;
  for (const char* name : {"sim.mdl", "sim.cal", "sim.ds", "truth.npy"}) {
    EXPECT_TRUE(test::readFile(dir + "/" + name) ==
                test::readFile(test::sourcePath("sample/") + name))
        << name << " differs from the bundled sample";
  }
}

}  // namespace
}  // namespace quorvel
