// The exports opened by the tools the users open them with: gdalinfo must report each GeoTIFF's
// grid, origin and pixel size as its .master states them, gdal_translate must read the .raw
// cells back, ogrinfo must read the kerb lines, and CloudCompare must load the PLY with its point
// count, colours and normals.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <regex>

#include "export/map_params.h"
#include "tests/support/command_run.h"
#include "tests/support/ply_reader.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

bool hasProgram(const std::string& name) {
  return std::system(("command -v " + name + " >/dev/null 2>&1").c_str()) == 0;
}

// A simulated street exported into DIR/plain without and DIR/epsg with a coordinate system.
class PeerTools : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = test::freshTestDir();
    const std::string quorvel = QUORVEL_CLI;
    for (const std::string& arguments : {" simulate --out " + dir_ + "/sim --lines 60 --seed 3",
                                         " run " + dir_ + "/sim/sim.mdl --out " + dir_ +
                                             "/plain --export ply,geotiff,kerbs --quiet",
                                         " run " + dir_ + "/sim/sim.mdl --out " + dir_ +
                                             "/epsg --export geotiff,kerbs --epsg 25832 --quiet"}) {
      const test::CommandRun run = test::runCommand(dir_, quorvel + arguments);
      ASSERT_EQ(run.status, 0) << arguments << ": " << run.err;
    }
  }

  std::string dir_;
};

MapParams headerOf(const std::string& path) {
  MapParams params;
  parseMapHeader(test::readFile(path), params);
  return params;
}

// The numbers of the first match of `pattern` in `text`, one per group.
std::vector<double> numbersAfter(const std::string& text, const std::string& pattern) {
  std::smatch match;
  std::vector<double> numbers;
  if (std::regex_search(text, match, std::regex(pattern))) {
    for (size_t i = 1; i < match.size(); ++i) numbers.push_back(std::stod(match[i].str()));
  }
  return numbers;
}

const char* const NUMBER = "(-?[0-9.]+(?:e[-+]?[0-9]+)?)";

class GdalInfo : public PeerTools, public ::testing::WithParamInterface<const char*> {};

// The grid, origin and pixel size of the .master, the road height's scale and no-data value, and
// the .raw cells read back last row first.
TEST_P(GdalInfo, ReadsTheGridAndTheCellsOfTheMasterHeader) {
  if (!hasProgram("gdalinfo")) GTEST_SKIP() << "gdalinfo is not installed (gdal-bin)";
  const std::string base = dir_ + "/plain/" + GetParam();
  const MapParams header = headerOf(base + ".master");
  const test::CommandRun info = test::runCommand(dir_, "gdalinfo " + base + ".tif");
  ASSERT_EQ(info.status, 0) << info.err;
  const std::string n = NUMBER;
  EXPECT_EQ(numbersAfter(info.out, "Size is " + n + ", " + n),
            (std::vector<double>{double(header.width), double(header.length)}))
      << info.out;
  const std::vector<double> origin = numbersAfter(info.out, "Origin = \\(" + n + "," + n + "\\)");
  ASSERT_EQ(origin.size(), 2u) << info.out;
  EXPECT_NEAR(origin[0], header.ox - 0.5 * header.pixelsize, 1e-9);
  EXPECT_NEAR(origin[1], header.oy + (header.length - 0.5) * header.pixelsize, 1e-9);
  EXPECT_EQ(numbersAfter(info.out, "Pixel Size = \\(" + n + "," + n + "\\)"),
            (std::vector<double>{header.pixelsize, -header.pixelsize}))
      << info.out;
  EXPECT_EQ(info.out.find("Coordinate System is:"), std::string::npos) << "none claimed";
  if (std::string(GetParam()) == "map-r") {
    EXPECT_NE(info.out.find("NoData Value=0\n"), std::string::npos) << info.out;
    EXPECT_EQ(numbersAfter(info.out, "Offset: " + n + ",\\s*Scale:" + n),
              (std::vector<double>{header.oz, header.demres}))
        << info.out;
  }
  const std::string cells = dir_ + "/" + GetParam() + "-cells.bin";
  ASSERT_EQ(test::runCommand(dir_, "gdal_translate -q -of ENVI " + base + ".tif " + cells).status,
            0);
  const std::vector<unsigned char> raw = test::readFile(base + ".raw");
  const std::vector<unsigned char> read = test::readFile(cells);
  ASSERT_EQ(read.size(), raw.size());
  const size_t width = size_t(header.width), length = size_t(header.length);
  for (size_t r = 0; r < length; ++r) {
    ASSERT_TRUE(std::equal(read.begin() + long(r * width), read.begin() + long((r + 1) * width),
                           raw.begin() + long((length - 1 - r) * width)))
        << "row " << r;
  }
}

INSTANTIATE_TEST_SUITE_P(Rasters, GdalInfo, ::testing::Values("map-h", "map-r"));

TEST_F(PeerTools, GdalInfoNamesTheCoordinateSystemOfTheEpsgCode) {
  if (!hasProgram("gdalinfo")) GTEST_SKIP() << "gdalinfo is not installed (gdal-bin)";
  for (const char* name : {"map-h.tif", "map-r.tif", "kerbs.geojson"}) {
    const std::string tool = std::string(name).ends_with(".tif") ? "gdalinfo " : "ogrinfo -so -al ";
    const test::CommandRun info = test::runCommand(dir_, tool + dir_ + "/epsg/" + name);
    ASSERT_EQ(info.status, 0) << info.err;
    EXPECT_NE(info.out.find("PROJCRS[\"ETRS89 / UTM zone 32N\""), std::string::npos) << info.out;
  }
}

// The kerb lines: as many 3-D line strings as the file holds, with their properties.
TEST_F(PeerTools, OgrInfoReadsTheKerbLines) {
  if (!hasProgram("ogrinfo")) GTEST_SKIP() << "ogrinfo is not installed (gdal-bin)";
  const std::string path = dir_ + "/plain/kerbs.geojson", text = test::textOf(path);
  size_t features = 0;
  for (size_t at = text.find("\"Feature\""); at != std::string::npos;
       at = text.find("\"Feature\"", at + 1)) {
    ++features;
  }
  ASSERT_GT(features, 0u);
  const test::CommandRun info = test::runCommand(dir_, "ogrinfo -ro -so -al " + path);
  ASSERT_EQ(info.status, 0) << info.err;
  for (const std::string& line : std::vector<std::string>{
           "Geometry: 3D Line String", "Feature Count: " + std::to_string(features), "side: String",
           "mean_height: Real", "first_line: Integer", "last_line: Integer"}) {
    EXPECT_NE(info.out.find(line), std::string::npos) << line << " in\n" << info.out;
  }
}

// CloudCompare's command-line mode opens the file and saves it again as binary PLY: first with
// Qt's offscreen platform, then on a virtual X server. The per-sample results come back as its
// scalar fields (floats).
TEST_F(PeerTools, CloudCompareLoadsThePointsWithColoursNormalsAndScalarFields) {
  if (!hasProgram("CloudCompare")) GTEST_SKIP() << "CloudCompare is not installed (cloudcompare)";
  const std::string saved = dir_ + "/cloudcompare.ply";
  const std::string command = "CloudCompare -SILENT -AUTO_SAVE OFF -O " + dir_ +
                              "/plain/points.ply -C_EXPORT_FMT PLY -PLY_EXPORT_FMT BINARY_LE "
                              "-SAVE_CLOUDS FILE " +
                              saved;
  test::CommandRun run = test::runCommand(dir_, "QT_QPA_PLATFORM=offscreen timeout 300 " + command);
  if (run.status != 0 || !std::filesystem::exists(saved)) {
    run = test::runCommand(dir_, "timeout 300 xvfb-run -a " + command);
  }
  if (run.status != 0 || !std::filesystem::exists(saved)) {
    GTEST_SKIP() << "CloudCompare cannot run headless here (offscreen and xvfb-run both failed, "
                 << "status " << run.status << "): " << run.err.substr(0, 400);
  }
  EXPECT_NE(run.out.find("[PLY][Comment] Quorvel points of project sim.mdl"), std::string::npos)
      << run.out;
  test::PlyCloud ours, theirs;
  std::string error;
  ASSERT_TRUE(test::parsePly(test::readFile(dir_ + "/plain/points.ply"), ours, error)) << error;
  ASSERT_TRUE(test::parsePly(test::readFile(saved), theirs, error)) << error;
  EXPECT_NE(run.out.find("Found one cloud with " + std::to_string(ours.count) + " points"),
            std::string::npos)
      << run.out;
  ASSERT_EQ(theirs.count, ours.count);
  // CloudCompare keeps coordinates as floats and normals quantised to directions about 0.5
  // degree apart.
  const std::vector<std::pair<std::vector<const char*>, double>> tolerances = {
      {{"x", "y", "z"}, 1e-5},
      {{"nx", "ny", "nz"}, 0.02},
      {{"scalar_variance"}, 1e-6},
      {{"red", "green", "blue", "scalar_line_class", "scalar_segment", "scalar_scan_line",
        "scalar_sample", "scalar_surface"},
       0}};
  for (const auto& [names, tolerance] : tolerances) {
    for (const char* name : names) {
      ASSERT_EQ(theirs.values.count(name), 1u) << name << " not loaded";
      for (size_t k = 0; k < ours.count; ++k) {
        const double value = ours.values[name][k];
        ASSERT_NEAR(theirs.values[name][k], value, tolerance * (1 + std::fabs(value)))
            << name << " of point " << k;
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
