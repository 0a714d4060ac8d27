// The LAS point export read back field by field at the offsets of LAS 1.4 with point data
// record format 7: header extents, offsets, point count, legacy and 1.4 counts by return, and
// every point against the in-memory data.
#include "export/las_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "export/pt3d_export.h"
#include "scan/point_reconstruction.h"
#include "tests/support/grid_store.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

template <typename T>
T fieldAt(const std::vector<unsigned char>& bytes, size_t offset) {
  T value{};
  EXPECT_LE(offset + sizeof(T), bytes.size());
  if (offset + sizeof(T) <= bytes.size()) std::memcpy(&value, bytes.data() + offset, sizeof(T));
  return value;
}

// 4 lines of 361 samples on a slope, every fifth sample without a point, classes cycling.
ScanStore classGrid() {
  ScanStore store = test::gridStore(
      4, 361, 100.0f,
      [](int32_t l, int32_t s) { return int16_t((s + l) % 5 == 0 ? 0 : 300 + 7 * s + 13 * l); },
      {0.25, 0.5, 0.125});
  const size_t samples = 4 * 361;
  store.varianceMap.emplace(samples, 0.02);
  store.normalMap.emplace(samples, Vec3{0.3, 0.4, 0.866});
  store.lineSegmentMask.emplace(samples);
  const uint8_t classes[] = {0, 1, 2, 4, 5, 8, 2};
  for (size_t i = 0; i < samples; ++i) (*store.lineSegmentMask)[i] = classes[i % 7];
  return store;
}

struct ExpectedPoint {
  int32_t line, sample;
  Vec3 world;
};

std::vector<ExpectedPoint> expectedPoints(const ScanStore& store, const SensorCalib& calib,
                                          const MaskRange& mask) {
  std::vector<ExpectedPoint> points;
  for (int32_t l = 0; l < store.lineCount; ++l) {
    for (int32_t s = 0; s < store.pointsPerLine; ++s) {
      Vec3 point;
      if (!inMaskBand(mask, s) && SampleToWorldPoint(store, calib, l, s, point)) {
        points.push_back({l, s, point});
      }
    }
  }
  return points;
}

class LasReadBack : public ::testing::TestWithParam<MaskRange> {
 protected:
  void SetUp() override {
    store = classGrid();
    calib = test::identityCalib();
    points = expectedPoints(store, calib, GetParam());
    ASSERT_FALSE(points.empty());
    const std::string path = test::freshTestDir() + "/points.las";
    ASSERT_TRUE(exportLas({store, calib, GetParam()}, path).ok());
    bytes = test::readFile(path);
    ASSERT_EQ(bytes.size(), LAS_HEADER_SIZE + points.size() * LAS_RECORD_SIZE);
  }
  // The world coordinate of a stored point: record value x scale + offset.
  double coordinate(size_t k, int axis) {
    const size_t record = LAS_HEADER_SIZE + k * LAS_RECORD_SIZE;
    return fieldAt<int32_t>(bytes, record + 4 * axis) * fieldAt<double>(bytes, 131 + 8 * axis) +
           fieldAt<double>(bytes, 155 + 8 * axis);
  }
  ScanStore store;
  SensorCalib calib;
  std::vector<ExpectedPoint> points;
  std::vector<unsigned char> bytes;
};

TEST_P(LasReadBack, HeaderStatesFormatCountsAndExtents) {
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 4), "LASF");
  EXPECT_EQ(fieldAt<uint16_t>(bytes, 6), 0x10);  // WKT bit, GPS week time
  EXPECT_EQ(bytes[24], 1);
  EXPECT_EQ(bytes[25], 4);
  EXPECT_EQ(fieldAt<uint16_t>(bytes, 94), 375);
  EXPECT_EQ(fieldAt<uint32_t>(bytes, 96), 375u);  // offset to the points
  EXPECT_EQ(fieldAt<uint32_t>(bytes, 100), 0u);   // no variable length record
  EXPECT_EQ(bytes[104], 7);
  EXPECT_EQ(fieldAt<uint16_t>(bytes, 105), 36);
  for (size_t legacy = 107; legacy < 131; legacy += 4) {
    EXPECT_EQ(fieldAt<uint32_t>(bytes, legacy), 0u) << "legacy count at " << legacy;
  }
  EXPECT_EQ(fieldAt<uint64_t>(bytes, 247), points.size());
  EXPECT_EQ(fieldAt<uint64_t>(bytes, 255), points.size());  // every point is a first return
  for (size_t byReturn = 263; byReturn < 375; byReturn += 8) {
    EXPECT_EQ(fieldAt<uint64_t>(bytes, byReturn), 0u) << "return count at " << byReturn;
  }
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_EQ(fieldAt<double>(bytes, 131 + 8 * axis), 0.001);
    double low = INFINITY, high = -INFINITY, worldLow = INFINITY;
    for (size_t k = 0; k < points.size(); ++k) {
      low = std::min(low, coordinate(k, axis));
      high = std::max(high, coordinate(k, axis));
      worldLow = std::min(worldLow, points[k].world[axis]);
    }
    EXPECT_EQ(fieldAt<double>(bytes, 155 + 8 * axis), worldLow) << "offset, axis " << axis;
    EXPECT_EQ(fieldAt<double>(bytes, 179 + 16 * axis), high) << "max, axis " << axis;
    EXPECT_EQ(fieldAt<double>(bytes, 187 + 16 * axis), low) << "min, axis " << axis;
  }
}

TEST_P(LasReadBack, EveryPointHoldsItsSampleInExportOrder) {
  for (size_t k = 0; k < points.size(); ++k) {
    const ExpectedPoint& expected = points[k];
    const size_t record = LAS_HEADER_SIZE + k * LAS_RECORD_SIZE;
    const uint8_t lineClass =
        (*store.lineSegmentMask)[lineMajorIndex(store, expected.line, expected.sample)];
    for (int axis = 0; axis < 3; ++axis) {
      EXPECT_NEAR(coordinate(k, axis), expected.world[axis], 0.0005 + 1e-9) << k;
    }
    EXPECT_EQ(fieldAt<uint16_t>(bytes, record + 12), 0);  // intensity
    EXPECT_EQ(bytes[record + 14], 0x11) << "return 1 of 1";
    EXPECT_EQ(bytes[record + 15], 0);
    EXPECT_EQ(bytes[record + 16], lineClass == 2 ? 11 : 1) << "class of line class " << +lineClass;
    EXPECT_EQ(bytes[record + 17], lineClass);
    EXPECT_EQ(fieldAt<double>(bytes, record + 22), expected.line);
    const Rgb colour = sampleClassColour(store, expected.line, expected.sample);
    EXPECT_EQ(fieldAt<uint16_t>(bytes, record + 30), colour.red * 257);
    EXPECT_EQ(fieldAt<uint16_t>(bytes, record + 32), colour.green * 257);
    EXPECT_EQ(fieldAt<uint16_t>(bytes, record + 34), colour.blue * 257);
  }
}

INSTANTIATE_TEST_SUITE_P(Bands, LasReadBack,
                         ::testing::Values(MaskRange{-1, -1}, MaskRange{0, 100},
                                           MaskRange{200, 360}, MaskRange{7, 7}));

TEST(LasExport, CoordinatesRoundHalfUpToMillimetres) {
  EXPECT_EQ(lasCoordinate(10.0, 10.0), 0);
  EXPECT_EQ(lasCoordinate(10.0014, 10.0), 1);
  EXPECT_EQ(lasCoordinate(10.0016, 10.0), 2);
  EXPECT_EQ(lasCoordinate(12.5, 10.0), 2500);
}

TEST(LasExport, RoadIsRoadSurfaceAndEveryOtherClassUnclassified) {
  EXPECT_EQ(asprsClass(2), 11);
  for (uint8_t lineClass : {0, 1, 4, 5, 8}) EXPECT_EQ(asprsClass(lineClass), 1) << +lineClass;
}

TEST(LasExport, WithoutScanLinesWritesAHeaderWithoutPoints) {
  const ScanStore store;
  const SensorCalib calib;
  const std::string path = test::freshTestDir() + "/points.las";
  ASSERT_TRUE(exportLas({store, calib, MaskRange{}}, path).ok());
  const std::vector<unsigned char> bytes = test::readFile(path);
  ASSERT_EQ(bytes.size(), LAS_HEADER_SIZE);
  EXPECT_EQ(fieldAt<uint64_t>(bytes, 247), 0u);
}

TEST(LasExport, ExtentBeyondTheIntegerCoordinatesWritesNothing) {
  ScanStore store = classGrid();
  store.lineCount = 2;
  (*store.lines)[1].position = {3.0e6, 0.0, 0.0};
  const SensorCalib calib = test::identityCalib();
  const std::string dir = test::freshTestDir();
  const Status status = exportLas({store, calib, MaskRange{}}, dir + "/points.las");
  EXPECT_NE(status.reason.find("extent too large"), std::string::npos) << status.reason;
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(LasExport, MissingInputsWriteNothing) {
  const SensorCalib calib = test::identityCalib();
  const std::string dir = test::freshTestDir();
  ScanStore noMask = classGrid();
  noMask.lineSegmentMask.reset();
  EXPECT_STREQ(missingExportInput(noMask, ExportKind::Las), "LineSegger");
  EXPECT_FALSE(exportLas({noMask, calib, MaskRange{}}, dir + "/a.las").ok());
  ScanStore noSurface = classGrid();
  noSurface.normalMap.reset();
  EXPECT_STREQ(missingExportInput(noSurface, ExportKind::Las), "VarianceMap");
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace quorvel
