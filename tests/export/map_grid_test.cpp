// The map grid and its header: size and origin from the extent of the data, the sizes it
// refuses, the strip plan, binning with truncation toward zero, the map file names, and which
// lines of a template or written header set which fields; the template files that are none or
// refused.
#include "export/map_grid.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <cmath>
#include <filesystem>

#include "export/map_files.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

// {ox, oy, oz, pixelsize, demres, width, length}
void expectParams(const MapParams& p, const MapParams& e) {
  EXPECT_EQ(std::vector<double>({p.ox, p.oy, p.oz, p.pixelsize, p.demres}),
            std::vector<double>({e.ox, e.oy, e.oz, e.pixelsize, e.demres}));
  EXPECT_EQ(std::pair(p.width, p.length), std::pair(e.width, e.length));
}

TEST(MapGrid, FitsTheSmallestMultipleOfEightBeyondTheExtentOrRefuses) {
  struct Case {
    MapParams given;
    double extent;  // of the data from (10, 20), both axes
    MapParams fitted;
  };
  const Case cases[] = {
      {{0, 0, 0, 0.5}, 50, {10, 20, 0, 0.5, 0, 104, 104}},  // 100 cells
      {{0, 0, 0, 0.5}, 48, {10, 20, 0, 0.5, 0, 104, 104}},  // 96
      {{0, 0, 0, 0.5}, 0, {10, 20, 0, 0.5, 0, 8, 8}},
      {{0, 0, 0, 0.5}, 3.75, {10, 20, 0, 0.5, 0, 8, 8}},           // 7.5
      {{0, 0, 0, 0.5}, 4, {10, 20, 0, 0.5, 0, 16, 16}},            // 8
      {{1, 0, 0, 1, 0, 640, 480}, 40, {1, 0, 0, 1, 0, 640, 480}},  // oy stays 0
      {{100, 100, 0, 1}, 40, {100, 100, 0, 1, 0, -40, -32}}};      // origin beyond the data
  for (const Case& c : cases) {
    MapParams params = c.given;
    ASSERT_TRUE(fitMapGrid({10 + c.extent, 20 + c.extent, 0}, {10, 20, 0}, params).ok());
    expectParams(params, c.fitted);
  }
  // Unusable cell sizes; sizes beyond 32 bits, with 3e-18 beyond 64 bits once times 8 (and
  // negative from ox 90).
  const std::pair<double, double> refused[] = {{0, 0},     {0, -1},    {0, NAN},   {0, INFINITY},
                                               {0, 1e-12}, {0, 3e-18}, {90, 3e-18}};
  for (auto [ox, pixelsize] : refused) {
    MapParams params{ox, 0, 0, pixelsize};
    EXPECT_FALSE(fitMapGrid({50, 60, 0}, {10, 20, 0}, params).ok()) << ox << " " << pixelsize;
  }
}

TEST(MapGrid, CutsTheRasterInto2To24CellStrips) {
  const std::array<int32_t, 4> cases[] = {
      {640, 480, 1, 480},     {4096, 4095, 1, 4095}, {4096, 4096, 2, 2048},
      {4096, 8192, 3, 2731},  {1 << 20, 5, 1, 5},    {1 << 25, 8, 17, 1},
      {0, 5, 0, 0},           {5, -1, 0, 0},         {65536, 32767, 128, 256},
      {65536, 32768, -1, -1},  // 2^31 cells: refused
  };
  for (auto [width, length, strips, rowsPerStrip] : cases) {
    StripPlan plan{-1, -1};
    EXPECT_EQ(planStrips(width, length, plan).ok(), strips >= 0);
    EXPECT_EQ(std::pair(plan.strips, plan.rowsPerStrip),
              std::pair(std::max(strips, 0), std::max(rowsPerStrip, 0)));
  }
  StripPlan widest;
  EXPECT_TRUE(planStrips(1, INT32_MAX, widest).ok());  // 2^31 - 1 cells
  EXPECT_EQ(stripWindow({3, 2731}, 1, 8192).firstRow, 2731);
  EXPECT_EQ(stripWindow({3, 2731}, 2, 8192).rows, 8192 - 2 * 2731);  // the remaining rows
  EXPECT_EQ(stripWindow({17, 1}, 7, 8).firstRow, 7);
  EXPECT_EQ(stripWindow({17, 1}, 7, 8).rows, 1);
  for (int32_t k = 8; k < 17; ++k) EXPECT_EQ(stripWindow({17, 1}, k, 8).rows, 0);
}

TEST(MapGrid, BinsTruncatingTowardZeroWithinTheStrip) {
  const MapParams params{10, 20, 0, 0.5, 0, 4, 6};
  const std::tuple<double, double, int32_t, int32_t> cases[] = {
      {10.0, 21.0, 0, 0},   {9.3, 21.0, 0, 0},  // -1.4 + 0.5 -> 0
      {9.2, 21.0, -1, 0},   {11.7, 22.2, 2, 3}, {11.75, 21.0, -1, 0}, {10.0, 20.7, -1, 0},  // row 1
      {10.0, 22.3, -1, 0},                                                                  // row 5
      {1e300, 21.0, -1, 0}, {NAN, 21.0, -1, 0}};
  for (auto [x, y, row, column] : cases) {
    const std::optional<GridCell> cell = binPoint(params, {2, 3}, x, y);  // rows 2 ... 4
    EXPECT_EQ(cell ? std::pair(cell->row, cell->column) : std::pair(-1, 0), std::pair(row, column))
        << x << ", " << y;
  }
}

TEST(MapFileNames, ReplaceTheExtensionAndMustFitThePathBuffer) {
  EXPECT_EQ(mapFileNames("/maps/area.master", "-h")->header, "/maps/area-h.master");
  EXPECT_EQ(mapFileNames("/maps/area.master", "-h")->raster, "/maps/area-h.raw");
  EXPECT_EQ(mapFileNames("/maps/area", "-r")->raster, "/maps/area-r.raw");
  EXPECT_EQ(mapFileNames("/maps.d/area", "-r")->header, "/maps-r.master");
  const std::string folder = "/" + std::string(240, 'd') + "/";
  EXPECT_TRUE(mapFileNames(folder + "abcdefgh.x", "-h"));    // header name of 259 characters
  EXPECT_FALSE(mapFileNames(folder + "abcdefghi.x", "-h"));  // 260
}

TEST(MapText, SetsTheFieldsItsLinesName) {
  const std::string written =
      "width\t640\r\nlength\t480\r\nox\t\t10.500000\r\noy\t\t-20.250000\r\noz\t\t-1.125\r\n"
      "pixelsize\t0.200000\r\ndemres\t0.015625\r\nbyteperpixel\t1\r\n";
  const std::tuple<std::string, bool, MapParams> cases[] = {
      // text, as a header, fields
      {written, false, {10.5, -20.25, 0, 0.2, 0, 640, 480}},  // a template has no height scale
      {written, true, {10.5, -20.25, -1.125, 0.2, 0.015625, 640, 480}},
      {"WIDTH,12\nLength, 7\nOX,1.5\nPixelSize,0.5\n", false, {1.5, 0, 0, 0.5, 0, 12, 7}},
      // keys without a value, unknown keys and indented lines are ignored
      {"width\nox\r\nlength 9\nheight 5\n width 3\n", false, {0, 0, 0, 0.1, 0, 0, 9}},
      // only "wi" and "le" are compared; integers convert as atoi does
      {"window 33.9\nlevel -4\noyster 2.5\n", false, {0, 2.5, 0, 0.1, 0, 33, -4}},
      {"pixelsize \r\nox 2\r\n", false, {2, 0, 0, 0.1, 0, 0, 0}},  // CR LF is no value
      // lines are read in pieces of 199 characters, each ending at its first NUL
      {std::string(199, 'x') + "width 5", false, {0, 0, 0, 0.1, 0, 5, 0}},
      {std::string(198, 'x') + "width 5", false, {0, 0, 0, 0.1, 0, 0, 0}},
      {std::string("ox\0 5\noy 3\0 7\n", 14), false, {0, 3, 0, 0.1, 0, 0, 0}},
      {std::string("x\0", 2) + std::string(197, 'x') + "width 5\n", false, {0, 0, 0, 0.1, 0, 5, 0}},
  };
  for (const auto& [text, header, expected] : cases) {
    MapParams params;
    header ? parseMapHeader(test::bytesOf(text), params)
           : parseMapTemplate(test::bytesOf(text), params);
    expectParams(params, expected);
  }
}

// A missing template is none; a folder or a named pipe in its place is refused (a pipe would
// otherwise wait for a writer).
TEST(MapTemplateFile, AMissingFileIsNoneAFolderOrAPipeIsRefused) {
  const std::string dir = test::freshTestDir();
  MapParams params;
  params.width = 3;
  EXPECT_EQ(ReadMapTemplate(dir + "/none.master", params), 0);
  EXPECT_TRUE(readMapTemplateIfPresent(dir + "/none.master", params).ok());
  ASSERT_EQ(::mkfifo((dir + "/pipe.master").c_str(), 0600), 0);
  std::filesystem::create_directory(dir + "/folder.master");
  for (const char* name : {"/pipe.master", "/folder.master"}) {
    const Status status = readMapTemplateIfPresent(dir + name, params);
    EXPECT_NE(status.reason.find(", not a regular file"), std::string::npos) << status.reason;
    EXPECT_EQ(status.file, dir + name);
  }
  test::writeFile(dir + "/area.master", "pixelsize 0.25\r\n");
  EXPECT_EQ(ReadMapTemplate(dir + "/area.master", params), 1);
  expectParams(params, {0, 0, 0, 0.25, 0, 3, 0});
}

}  // namespace
}  // namespace quorvel
