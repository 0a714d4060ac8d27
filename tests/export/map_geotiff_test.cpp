// The GeoTIFF of a map raster refuses what it cannot place and says why, writing nothing (the
// files it writes are read back by GDAL's own tools in tests/peer and tests/batch).
#include "export/map_geotiff.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

const char* const ROAD_HEADER =
    "width\t5\r\nlength\t3\r\nox\t\t100.500000\r\noy\t\t-20.000000\r\noz\t\t1.250000\r\n"
    "pixelsize\t0.250000\r\ndemres\t0.015625\r\nbyteperpixel\t1\r\n";

// The header and a raster of the given size whose every cell differs.
MapFileNames writeMap(const std::string& dir, const std::string& header, size_t cells = 15) {
  const MapFileNames map{dir + "/map-r.master", dir + "/map-r.raw"};
  test::writeFile(map.header, header);
  std::vector<unsigned char> raster(cells);
  for (size_t i = 0; i < cells; ++i) raster[i] = static_cast<unsigned char>(10 * i + 1);
  test::writeFile(map.raster, raster);
  return map;
}

TEST(MapGeoTiff, RefusedInputsWriteNothingAndSayWhy) {
  struct Case {
    const char* header;
    size_t rasterBytes;
    std::optional<int32_t> epsg;
    const char* reason;  // how the reason starts
  };
  const char* const fiveByThree = "width 5\nlength 3\ndemres 1\n";
  const Case cases[] = {{"width 5\nlength 0\ndemres 1\n", 0, {}, "map raster without cells"},
                        {"width 0\nlength 3\ndemres 1\n", 0, {}, "map raster without cells"},
                        {fiveByThree, 14, {}, "raster size does not match"},
                        {fiveByThree, 16, {}, "raster size does not match"},
                        {"width 5\nlength 3\npixelsize 0\ndemres 1\n", 15, {}, "bad pixelsize"},
                        {"width 5\nlength 3\n", 15, {}, "bad demres"},
                        {"width 5\nlength 3\ndemres inf\n", 15, {}, "bad demres"},
                        {fiveByThree, 15, 32767, "unknown EPSG code: 32767; expected the code of"},
                        {fiveByThree, 15, 4326,
                         "not a projected coordinate system in metres: EPSG:4326 (WGS 84, "
                         "geographic: degrees)"},
                        {fiveByThree, 15, 2263,
                         "not a projected coordinate system in metres: "
                         "EPSG:2263 (NAD83 / New York Long Island (ftUS), "
                         "in US survey foot)"}};
  const std::string dir = test::freshTestDir(), path = dir + "/map-r.tif";
  for (const Case& c : cases) {
    const Status status = writeMapGeoTiff(writeMap(dir, c.header, c.rasterBytes),
                                          MapHeaderKind::RoadHeight, path, c.epsg);
    EXPECT_EQ(status.reason.find(c.reason), 0u) << status.reason;
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  const MapFileNames map = writeMap(dir, ROAD_HEADER);
  std::filesystem::remove(map.raster);
  EXPECT_EQ(
      writeMapGeoTiff(map, MapHeaderKind::Count, path, {}).reason.find("cannot read the raster"),
      0u);
  std::filesystem::remove(map.header);
  EXPECT_FALSE(writeMapGeoTiff(map, MapHeaderKind::Count, path, {}).ok());
  writeMap(dir, ROAD_HEADER);
  const Status status = writeMapGeoTiff(map, MapHeaderKind::Count, dir + "/absent/map-h.tif", {});
  EXPECT_EQ(status.reason, "No such file or directory");
  EXPECT_EQ(status.file, dir + "/absent/map-h.tif");
  EXPECT_FALSE(std::filesystem::exists(path));
}

}  // namespace
}  // namespace quorvel
