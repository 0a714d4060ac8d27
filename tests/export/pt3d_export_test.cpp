// The coloured point export: colours, record layout and count, and the missing-input cases.
#include "export/pt3d_export.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>

#include "features/variance_map.h"
#include "scan/point_reconstruction.h"
#include "tests/support/grid_store.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

TEST(NormalColour, ScalesAndTruncatesTheAbsoluteComponents) {
  EXPECT_EQ(normalColour(0.01, {0.5, -0.25, 0.0}), (Rgb{0, 63, 127}));
  EXPECT_EQ(normalColour(0.01, {-0.5, 0.25, -0.0}), (Rgb{0, 63, 127}));
  EXPECT_EQ(normalColour(0.0, {0.0, 0.0, 1.0}), (Rgb{255, 0, 0}));
}

TEST(NormalColour, IsBlackWithoutVariance) {
  EXPECT_EQ(normalColour(NO_VARIANCE, {0.5, 0.5, 0.5}), Rgb{});
  EXPECT_EQ(normalColour(NO_VARIANCE, {NO_NORMAL, NO_NORMAL, NO_NORMAL}), Rgb{});
}

TEST(NormalColour, ClampsChannels) {
  EXPECT_EQ(normalChannel(NO_NORMAL), 255);
  EXPECT_EQ(normalChannel(-1.5), 255);
  EXPECT_EQ(normalChannel(std::nan("")), 0);
  EXPECT_EQ(normalChannel(1.0), 255);
  EXPECT_EQ(normalChannel(0.999), 254);
}

class ClassColour : public ::testing::TestWithParam<int> {};

TEST_P(ClassColour, OtherClassesTakeTheNormalColour) {
  const uint8_t lineClass = static_cast<uint8_t>(GetParam());
  EXPECT_EQ(classColour(lineClass, 0.01, {0.5, -0.25, 0.0}), (Rgb{0, 63, 127}));
  EXPECT_EQ(classColour(lineClass, NO_VARIANCE, {0.5, -0.25, 0.0}), Rgb{});
}

INSTANTIATE_TEST_SUITE_P(Classes, ClassColour, ::testing::Values(0, 4, 5, 8));

TEST(ClassColour, VerticalIsGreenAndRoadRedEvenWithoutVariance) {
  for (double variance : {0.01, NO_VARIANCE}) {
    EXPECT_EQ(classColour(1, variance, {0.5, 0.5, 0.5}), (Rgb{0, 255, 0}));
    EXPECT_EQ(classColour(2, variance, {0.5, 0.5, 0.5}), (Rgb{255, 0, 0}));
  }
}

// 6 lines of 181 samples; every seventh sample has no point; surface buffers and mask filled.
ScanStore pointGrid() {
  ScanStore store = test::gridStore(6, 181, 100.0f, [](int32_t l, int32_t s) {
    return int16_t((s + l) % 7 == 0 ? 20 : 300 + 5 * s);
  });
  const size_t samples = 6 * 181;
  store.varianceMap.emplace(samples, 0.02);
  store.normalMap.emplace(samples, Vec3{0.5, -0.25, 0.0});
  store.lineSegmentMask.emplace(samples, 8);
  return store;
}

struct MaskCase {
  int32_t stno, edno;
};

class Pt3dCount : public ::testing::TestWithParam<MaskCase> {};

TEST_P(Pt3dCount, OneRecordPerValidSampleOutsideTheMaskBand) {
  const ScanStore store = pointGrid();
  const SensorCalib calib = test::identityCalib();
  const MaskRange mask{GetParam().stno, GetParam().edno};
  size_t expected = 0;
  for (int32_t l = 0; l < 6; ++l) {
    for (int32_t s = 0; s < 181; ++s) {
      Vec3 point;
      if (!inMaskBand(mask, s) && SampleToWorldPoint(store, calib, l, s, point)) ++expected;
    }
  }
  const std::string dir = test::freshTestDir();
  ASSERT_TRUE(exportPt3dByNormal({store, calib, mask}, dir + "/n.pt3d").ok());
  ASSERT_TRUE(exportPt3dByClass({store, calib, mask}, dir + "/c.pt3d").ok());
  EXPECT_EQ(test::readFile(dir + "/n.pt3d").size(), expected * PT3D_RECORD_SIZE);
  EXPECT_EQ(test::readFile(dir + "/c.pt3d").size(), expected * PT3D_RECORD_SIZE);
}

INSTANTIATE_TEST_SUITE_P(Bands, Pt3dCount,
                         ::testing::Values(MaskCase{-1, -1}, MaskCase{5, 5}, MaskCase{10, 3},
                                           MaskCase{0, 90}, MaskCase{0, 180}));

TEST(Pt3dExport, RecordsHoldTheWorldPointColourAndZeroPadding) {
  ScanStore store = pointGrid();
  (*store.lineSegmentMask)[1] = 2;        // line 0, sample 1
  (*store.varianceMap)[6] = NO_VARIANCE;  // line 0, sample 1 (sample-major: 1 x 6 + 0)
  const SensorCalib calib = test::identityCalib();
  const std::string path = test::freshTestDir() + "/c.pt3d";
  ASSERT_TRUE(exportPt3dByClass({store, calib, MaskRange{}}, path).ok());
  const std::vector<unsigned char> bytes = test::readFile(path);
  ASSERT_GE(bytes.size(), 2 * PT3D_RECORD_SIZE);
  // Line 0: sample 0 has no point, so the file starts with sample 1 (red) then sample 2.
  Vec3 point;
  ASSERT_TRUE(SampleToWorldPoint(store, calib, 0, 1, point));
  Vec3 written;
  std::memcpy(written.data(), bytes.data(), 24);
  EXPECT_EQ(written, point);
  EXPECT_EQ(bytes[24], 255);
  EXPECT_EQ(bytes[25], 0);
  EXPECT_EQ(bytes[26], 0);
  for (size_t i = 27; i < 32; ++i) EXPECT_EQ(bytes[i], 0);
  EXPECT_EQ(bytes[32 + 24], 0);
  EXPECT_EQ(bytes[32 + 25], 63);
  EXPECT_EQ(bytes[32 + 26], 127);
}

TEST(Pt3dExport, RepeatedExportsAreIdenticalAndReplaceTheFile) {
  const ScanStore store = pointGrid();
  const SensorCalib calib = test::identityCalib();
  const std::string path = test::freshTestDir() + "/n.pt3d";
  test::writeFile(path, std::string(100000, 'x'));
  ASSERT_TRUE(exportPt3dByNormal({store, calib, MaskRange{}}, path).ok());
  const std::vector<unsigned char> first = test::readFile(path);
  ASSERT_TRUE(exportPt3dByNormal({store, calib, MaskRange{}}, path).ok());
  EXPECT_EQ(test::readFile(path), first);
  EXPECT_EQ(first.size() % PT3D_RECORD_SIZE, 0u);
}

TEST(Pt3dExport, WithoutScanLinesWritesAnEmptyFile) {
  const ScanStore store;
  const SensorCalib calib;
  const std::string path = test::freshTestDir() + "/n.pt3d";
  EXPECT_TRUE(exportPt3dByNormal({store, calib, MaskRange{}}, path).ok());
  EXPECT_TRUE(std::filesystem::exists(path));
  EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST(Pt3dExport, MissingInputsWriteNothing) {
  const SensorCalib calib = test::identityCalib();
  const std::string dir = test::freshTestDir();
  ScanStore noSurface = pointGrid();
  noSurface.normalMap.reset();
  EXPECT_STREQ(missingExportInput(noSurface, ExportKind::Pt3dByNormal), "VarianceMap");
  EXPECT_FALSE(exportPt3dByNormal({noSurface, calib, MaskRange{}}, dir + "/a.pt3d").ok());
  EXPECT_FALSE(exportPt3dByClass({noSurface, calib, MaskRange{}}, dir + "/b.pt3d").ok());
  ScanStore noMask = pointGrid();
  noMask.lineSegmentMask.reset();
  EXPECT_STREQ(missingExportInput(noMask, ExportKind::Pt3dByClass), "LineSegger");
  EXPECT_FALSE(exportPt3dByClass({noMask, calib, MaskRange{}}, dir + "/c.pt3d").ok());
  EXPECT_TRUE(exportPt3dByNormal({noMask, calib, MaskRange{}}, dir + "/d.pt3d").ok());
  EXPECT_FALSE(std::filesystem::exists(dir + "/a.pt3d"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/b.pt3d"));
  EXPECT_FALSE(std::filesystem::exists(dir + "/c.pt3d"));
}

TEST(Pt3dExport, PathsBeyondThePathBufferWriteNothing) {
  const ScanStore store = pointGrid();
  const SensorCalib calib = test::identityCalib();
  const std::string dir = test::freshTestDir();
  const std::string path = dir + "/" + std::string(260 - dir.size() - 6, 'p') + ".pt3d";
  ASSERT_EQ(path.size(), 260u);
  EXPECT_FALSE(exportPt3dByClass({store, calib, MaskRange{}}, path).ok());
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  EXPECT_TRUE(exportPt3dByClass({store, calib, MaskRange{}}, path.substr(0, 254) + ".pt3d").ok());
}

}  // namespace
}  // namespace quorvel
