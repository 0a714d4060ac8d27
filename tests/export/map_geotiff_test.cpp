// The GeoTIFF of a map raster read back with libtiff and libgeotiff: size, cells against the
// .raw bytes with the last row on top, placement and height scale from the .master header,
// no-data, the coordinate system keys, and the inputs it refuses.
#include "export/map_geotiff.h"

#include <geotiffio.h>
#include <xtiffio.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

struct TiffClose {
  void operator()(TIFF* tif) const { XTIFFClose(tif); }
};

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

// A text tag of GDAL's, "" when absent.
std::string asciiTag(TIFF* tif, ttag_t tag) {
  const char* text = nullptr;
  return TIFFGetField(tif, tag, &text) == 1 && text ? text : "";
}

// Two doubles tags of GeoTIFF's.
std::vector<double> doublesTag(TIFF* tif, ttag_t tag) {
  uint16_t count = 0;
  double* values = nullptr;
  if (TIFFGetField(tif, tag, &count, &values) != 1) return {};
  return std::vector<double>(values, values + count);
}

TEST(MapGeoTiff, ReadsBackAsTheMapFilesSay) {
  registerGdalTiffTags();
  const std::string dir = test::freshTestDir(), path = dir + "/map.tif";
  const MapFileNames map = writeMap(dir, ROAD_HEADER);
  const std::pair<MapHeaderKind, std::optional<int32_t>> runs[] = {
      {MapHeaderKind::RoadHeight, {}}, {MapHeaderKind::Count, 1024}, {MapHeaderKind::Count, 32766}};
  for (auto [kind, epsg] : runs) {
    const bool road = kind == MapHeaderKind::RoadHeight;
    ASSERT_TRUE(writeMapGeoTiff(map, kind, path, epsg).ok());
    const std::unique_ptr<TIFF, TiffClose> tif(XTIFFOpen(path.c_str(), "r"));
    ASSERT_TRUE(tif);
    uint32_t width = 0, length = 0;
    uint16_t bits = 0;
    TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
    TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &length);
    TIFFGetField(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
    EXPECT_EQ(std::vector<uint32_t>({width, length, bits}), std::vector<uint32_t>({5, 3, 8}));
    std::vector<unsigned char> row(TIFFScanlineSize(tif.get()));
    for (uint32_t r = 0; r < 3; ++r) {
      ASSERT_EQ(TIFFReadScanline(tif.get(), row.data(), r, 0), 1);
      for (uint32_t c = 0; c < 5; ++c) EXPECT_EQ(row[c], 10 * ((2 - r) * 5 + c) + 1) << r << c;
    }
    EXPECT_EQ(doublesTag(tif.get(), TIFFTAG_GEOPIXELSCALE), std::vector<double>({0.25, 0.25, 0}));
    // Raster (0, 0) is the upper left corner: ox less half a cell, the top edge of the last row.
    EXPECT_EQ(doublesTag(tif.get(), TIFFTAG_GEOTIEPOINTS),
              std::vector<double>({0, 0, 0, 100.375, -20.0 + 2.5 * 0.25, 0}));
    EXPECT_EQ(asciiTag(tif.get(), TIFFTAG_GDAL_NODATA), road ? "0" : "");  // a count 0 is one
    const std::string metadata = asciiTag(tif.get(), TIFFTAG_GDAL_METADATA);
    EXPECT_EQ(metadata.find("role=\"offset\">1.25<") != std::string::npos, road) << metadata;
    EXPECT_EQ(metadata.find("role=\"scale\">0.015625<") != std::string::npos, road) << metadata;
    GTIF* keys = GTIFNew(tif.get());
    uint16_t values[3] = {};
    const int found = GTIFKeyGet(keys, GTRasterTypeGeoKey, &values[0], 0, 1) +
                      GTIFKeyGet(keys, GTModelTypeGeoKey, &values[1], 0, 1) +
                      GTIFKeyGet(keys, ProjectedCSTypeGeoKey, &values[2], 0, 1);
    GTIFFree(keys);
    EXPECT_EQ(found, epsg ? 3 : 0);  // no key: no coordinate system claimed
    const std::vector<int> expected = {RasterPixelIsArea, ModelTypeProjected, epsg.value_or(0)};
    EXPECT_EQ(std::vector<int>(values, values + 3), epsg ? expected : std::vector<int>(3, 0));
  }
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
                        {fiveByThree, 15, 1023, "bad EPSG code: 1023; expected 1024 ... 32766"},
                        {fiveByThree, 15, 32767, "bad EPSG code"}};
  const std::string dir = test::freshTestDir(), path = dir + "/map-r.tif";
  for (const Case& c : cases) {
    const Status status = writeMapGeoTiff(writeMap(dir, c.header, c.rasterBytes),
                                          MapHeaderKind::RoadHeight, path, c.epsg);
    EXPECT_EQ(status.reason.find(c.reason), 0u) << status.reason;
    EXPECT_FALSE(std::filesystem::exists(path));
  }
  for (int32_t epsg : {1023, 32767}) {  // the grid writer checks the code itself
    EXPECT_EQ(
        writeGridGeoTiff(path, MapParams{}, GridBand{}, epsg, nullptr).reason.find("bad EPSG"), 0u);
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
