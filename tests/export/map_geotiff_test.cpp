// The GeoTIFF of a map raster read back with libtiff and libgeotiff: size, cells against the
// .raw bytes, placement from the .master header, the height scale, no-data and the coordinate
// system keys, and the refused inputs.
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
using Tiff = std::unique_ptr<TIFF, TiffClose>;

// A 5 x 3 raster whose every cell differs, with its header.
MapFileNames writeMap(const std::string& dir, const std::string& header) {
  const MapFileNames map{dir + "/map-r.master", dir + "/map-r.raw"};
  test::writeFile(map.header, header);
  std::vector<unsigned char> cells(15);
  for (size_t i = 0; i < cells.size(); ++i) cells[i] = static_cast<unsigned char>(10 * i + 1);
  test::writeFile(map.raster, cells);
  return map;
}

const char* const ROAD_HEADER =
    "width\t5\r\nlength\t3\r\nox\t\t100.500000\r\noy\t\t-20.000000\r\noz\t\t1.250000\r\n"
    "pixelsize\t0.250000\r\ndemres\t0.015625\r\nbyteperpixel\t1\r\n";

// A tag of GDAL's (registered before the file was opened).
std::string asciiTag(TIFF* tif, ttag_t tag) {
  const char* text = nullptr;
  return TIFFGetField(tif, tag, &text) == 1 && text ? text : "";
}

class MapGeoTiff : public ::testing::Test {
 protected:
  void SetUp() override {
    registerGdalTiffTags();
    dir = test::freshTestDir();
    map = writeMap(dir, ROAD_HEADER);
  }
  // Writes the GeoTIFF of the map and opens it for reading.
  Tiff writeAndOpen(MapHeaderKind kind, std::optional<int32_t> epsg) {
    const std::string path = dir + "/map.tif";
    EXPECT_TRUE(writeMapGeoTiff(map, kind, path, epsg).ok());
    return Tiff(XTIFFOpen(path.c_str(), "r"));
  }
  std::string dir;
  MapFileNames map;
};

TEST_F(MapGeoTiff, CellsAreTheRawBytesWithTheLastRowOnTop) {
  const Tiff tif = writeAndOpen(MapHeaderKind::RoadHeight, {});
  ASSERT_TRUE(tif);
  uint32_t width = 0, length = 0;
  uint16_t bits = 0;
  TIFFGetField(tif.get(), TIFFTAG_IMAGEWIDTH, &width);
  TIFFGetField(tif.get(), TIFFTAG_IMAGELENGTH, &length);
  TIFFGetField(tif.get(), TIFFTAG_BITSPERSAMPLE, &bits);
  EXPECT_EQ(width, 5u);
  EXPECT_EQ(length, 3u);
  EXPECT_EQ(bits, 8);
  const std::vector<unsigned char> raw = test::readFile(map.raster);
  std::vector<unsigned char> row(TIFFScanlineSize(tif.get()));
  for (uint32_t r = 0; r < 3; ++r) {
    ASSERT_EQ(TIFFReadScanline(tif.get(), row.data(), r, 0), 1);
    for (uint32_t c = 0; c < 5; ++c) EXPECT_EQ(row[c], raw[(2 - r) * 5 + c]) << r << ", " << c;
  }
}

TEST_F(MapGeoTiff, PlacementAndHeightScaleComeFromTheHeader) {
  const Tiff tif = writeAndOpen(MapHeaderKind::RoadHeight, {});
  ASSERT_TRUE(tif);
  uint16_t count = 0;
  double* scale = nullptr;
  ASSERT_EQ(TIFFGetField(tif.get(), TIFFTAG_GEOPIXELSCALE, &count, &scale), 1);
  ASSERT_EQ(count, 3);
  EXPECT_EQ(scale[0], 0.25);
  EXPECT_EQ(scale[1], 0.25);  // rows grow downward: y falls by one pixelsize per row
  double* tiepoint = nullptr;
  ASSERT_EQ(TIFFGetField(tif.get(), TIFFTAG_GEOTIEPOINTS, &count, &tiepoint), 1);
  ASSERT_EQ(count, 6);
  EXPECT_EQ(tiepoint[0], 0.0);
  EXPECT_EQ(tiepoint[1], 0.0);
  EXPECT_EQ(tiepoint[3], 100.375);             // ox less half a cell
  EXPECT_EQ(tiepoint[4], -20.0 + 2.5 * 0.25);  // the top edge of the last row
  EXPECT_EQ(asciiTag(tif.get(), TIFFTAG_GDAL_NODATA), "0");
  const std::string metadata = asciiTag(tif.get(), TIFFTAG_GDAL_METADATA);
  EXPECT_NE(metadata.find("role=\"offset\">1.25<"), std::string::npos) << metadata;
  EXPECT_NE(metadata.find("role=\"scale\">0.015625<"), std::string::npos) << metadata;
}

class GeoKeys : public MapGeoTiff, public ::testing::WithParamInterface<std::optional<int32_t>> {};

TEST_P(GeoKeys, ACoordinateSystemOnlyWhenAnEpsgCodeIsGiven) {
  const Tiff tif = writeAndOpen(MapHeaderKind::Count, GetParam());
  ASSERT_TRUE(tif);
  GTIF* keys = GTIFNew(tif.get());
  ASSERT_NE(keys, nullptr);
  uint16_t rasterType = 0, modelType = 0, projected = 0;
  const int rasterKeys = GTIFKeyGet(keys, GTRasterTypeGeoKey, &rasterType, 0, 1);
  const int modelKeys = GTIFKeyGet(keys, GTModelTypeGeoKey, &modelType, 0, 1);
  const int projectedKeys = GTIFKeyGet(keys, ProjectedCSTypeGeoKey, &projected, 0, 1);
  GTIFFree(keys);
  if (GetParam()) {
    EXPECT_EQ(rasterType, RasterPixelIsArea);
    EXPECT_EQ(modelType, ModelTypeProjected);
    EXPECT_EQ(projected, *GetParam());
  } else {
    EXPECT_EQ(rasterKeys + modelKeys + projectedKeys, 0) << "no key: no coordinate system";
  }
  EXPECT_EQ(asciiTag(tif.get(), TIFFTAG_GDAL_NODATA), "") << "a count of 0 is a value";
}

INSTANTIATE_TEST_SUITE_P(Codes, GeoKeys,
                         ::testing::Values(std::nullopt, std::optional<int32_t>(25832)));

struct RefusedCase {
  const char* header;
  size_t rasterBytes;
  std::optional<int32_t> epsg;
  const char* reason;
};

class RefusedMap : public ::testing::TestWithParam<RefusedCase> {};

TEST_P(RefusedMap, WritesNothingAndSaysWhy) {
  const std::string dir = test::freshTestDir();
  const MapFileNames map{dir + "/map-r.master", dir + "/map-r.raw"};
  test::writeFile(map.header, GetParam().header);
  test::writeFile(map.raster, std::vector<unsigned char>(GetParam().rasterBytes, 7));
  const Status status =
      writeMapGeoTiff(map, MapHeaderKind::RoadHeight, dir + "/map-r.tif", GetParam().epsg);
  EXPECT_EQ(status.reason.find(GetParam().reason), 0u) << status.reason;
  EXPECT_FALSE(std::filesystem::exists(dir + "/map-r.tif"));
}

INSTANTIATE_TEST_SUITE_P(
    Inputs, RefusedMap,
    ::testing::Values(
        RefusedCase{"width 5\nlength 0\ndemres 1\n", 0, {}, "map raster without cells"},
        RefusedCase{"width 5\nlength 3\ndemres 1\n", 14, {}, "raster size does not match"},
        RefusedCase{"width 5\nlength 3\ndemres 1\n", 16, {}, "raster size does not match"},
        RefusedCase{"width 5\nlength 3\npixelsize 0\ndemres 1\n", 15, {}, "bad pixelsize"},
        RefusedCase{"width 5\nlength 3\n", 15, {}, "bad demres"},
        RefusedCase{"width 5\nlength 3\ndemres 1\n", 15, 1023, "bad EPSG code"},
        RefusedCase{"width 5\nlength 3\ndemres 1\n", 15, 32767, "bad EPSG code"}));

TEST_F(MapGeoTiff, MissingFilesAndUnwritablePathsFail) {
  const MapFileNames absent{dir + "/a.master", dir + "/a.raw"};
  EXPECT_FALSE(writeMapGeoTiff(absent, MapHeaderKind::Count, dir + "/a.tif", {}).ok());
  const Status status = writeMapGeoTiff(map, MapHeaderKind::Count, dir + "/absent/map-h.tif", {});
  EXPECT_EQ(status.reason, "No such file or directory");
  EXPECT_EQ(status.file, dir + "/absent/map-h.tif");
}

}  // namespace
}  // namespace quorvel
