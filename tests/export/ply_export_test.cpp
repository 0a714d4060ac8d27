// The PLY point export read back with a reader of the format: the class .pt3d points with every
// per-sample result, the header comments, and the missing-input cases.
#include "export/ply_export.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "export/pt3d_export.h"
#include "features/variance_map.h"
#include "scan/point_reconstruction.h"
#include "segment/segment_labels.h"
#include "tests/support/grid_store.h"
#include "tests/support/ply_reader.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

constexpr int32_t LINES = 5;
constexpr int16_t SAMPLES = 181;

// Every sixth sample has no point; the results vary per sample and include their "none" values.
ScanStore resultGrid() {
  ScanStore store = test::gridStore(LINES, SAMPLES, 100.0f, [](int32_t l, int32_t s) {
    return int16_t((s + 2 * l) % 6 == 0 ? 10 : 400 + 3 * s + l);
  });
  const size_t samples = size_t(LINES) * SAMPLES;
  store.varianceMap.emplace(samples);
  store.normalMap.emplace(samples);
  store.labelMap.emplace(samples);
  store.segmentTable.emplace(MAX_SEGMENTS);
  store.lineSegmentMask.emplace(samples);
  const uint8_t classes[] = {0, 1, 2, 4, 5, 8};
  for (int32_t l = 0; l < LINES; ++l) {
    for (int32_t s = 0; s < SAMPLES; ++s) {
      const size_t i = sampleMajorIndex(store, l, s);
      const bool none = s % 7 == 3;
      (*store.varianceMap)[i] = none ? NO_VARIANCE : 0.001 * s + 0.01 * l;
      (*store.normalMap)[i] =
          none ? Vec3{NO_NORMAL, NO_NORMAL, NO_NORMAL} : Vec3{0.6, -0.48, 0.64 + 0.0001 * s};
      (*store.labelMap)[i] = s % 5 == 0 ? NO_SEGMENT : uint16_t(s / 10 + 100 * l);
      (*store.lineSegmentMask)[lineMajorIndex(store, l, s)] = classes[(s + l) % 6];
    }
  }
  return store;
}

test::PlyCloud readCloud(const std::string& path) {
  test::PlyCloud cloud;
  std::string error;
  EXPECT_TRUE(test::parsePly(test::readFile(path), cloud, error)) << error;
  return cloud;
}

class PlyReadBack : public ::testing::TestWithParam<MaskRange> {};

TEST_P(PlyReadBack, EveryPropertyEqualsTheInMemoryResult) {
  const ScanStore store = resultGrid();
  const SensorCalib calib = test::identityCalib();
  const MaskRange mask = GetParam();
  const std::string path = test::freshTestDir() + "/points.ply";
  ASSERT_TRUE(exportPly({store, calib, mask}, "run.mdl", path).ok());
  const test::PlyCloud cloud = readCloud(path);
  EXPECT_EQ(cloud.element, "vertex");
  size_t k = 0;
  for (int32_t l = 0; l < LINES; ++l) {
    for (int32_t s = 0; s < SAMPLES; ++s) {
      Vec3 point;
      if (inMaskBand(mask, s) || !SampleToWorldPoint(store, calib, l, s, point)) continue;
      ASSERT_LT(k, cloud.count);
      const auto at = [&](const char* name) { return cloud.values.at(name)[k]; };
      const size_t i = sampleMajorIndex(store, l, s);
      const bool none = s % 7 == 3;
      EXPECT_EQ(at("scalar_scan_line"), l);
      EXPECT_EQ(at("scalar_sample"), s);
      EXPECT_EQ(at("x"), point[0]);
      EXPECT_EQ(at("y"), point[1]);
      EXPECT_EQ(at("z"), point[2]);
      EXPECT_EQ(at("scalar_line_class"), (*store.lineSegmentMask)[lineMajorIndex(store, l, s)]);
      EXPECT_EQ(at("scalar_segment"), s % 5 == 0 ? 65535 : (*store.labelMap)[i]);
      EXPECT_EQ(at("scalar_variance"), (*store.varianceMap)[i]);
      EXPECT_EQ(at("nx"), none ? 0.0f : 0.6f);
      EXPECT_EQ(at("ny"), none ? 0.0f : -0.48f);
      EXPECT_EQ(at("nz"), none ? 0.0f : float(0.64 + 0.0001 * s));
      ++k;
    }
  }
  EXPECT_EQ(cloud.count, k);
  EXPECT_GT(k, 0u);
}

INSTANTIATE_TEST_SUITE_P(Bands, PlyReadBack,
                         ::testing::Values(MaskRange{-1, -1}, MaskRange{5, 5}, MaskRange{0, 90},
                                           MaskRange{10, 3}));

TEST(PlyExport, PointsAndColoursAreThoseOfTheClassPt3dExport) {
  const ScanStore store = resultGrid();
  const SensorCalib calib = test::identityCalib();
  const std::string dir = test::freshTestDir();
  const MaskRange mask{20, 30};
  ASSERT_TRUE(exportPly({store, calib, mask}, "run.mdl", dir + "/points.ply").ok());
  ASSERT_TRUE(exportPt3dByClass({store, calib, mask}, dir + "/class.pt3d").ok());
  const test::PlyCloud cloud = readCloud(dir + "/points.ply");
  const std::vector<unsigned char> pt3d = test::readFile(dir + "/class.pt3d");
  ASSERT_EQ(pt3d.size(), cloud.count * PT3D_RECORD_SIZE);
  for (size_t k = 0; k < cloud.count; ++k) {
    const unsigned char* record = pt3d.data() + k * PT3D_RECORD_SIZE;
    double xyz[3];
    std::memcpy(xyz, record, sizeof xyz);
    EXPECT_EQ(cloud.values.at("x")[k], xyz[0]);
    EXPECT_EQ(cloud.values.at("y")[k], xyz[1]);
    EXPECT_EQ(cloud.values.at("z")[k], xyz[2]);
    EXPECT_EQ(cloud.values.at("red")[k], record[24]);
    EXPECT_EQ(cloud.values.at("green")[k], record[25]);
    EXPECT_EQ(cloud.values.at("blue")[k], record[26]);
  }
}

TEST(PlyExport, HeaderNamesTheProjectAndTheMaskBand) {
  EXPECT_EQ(plyHeader("run.mdl", MaskRange{-1, -1}, 3)
                .rfind("ply\nformat binary_little_endian 1.0\n"
                       "comment Quorvel points of project run.mdl\n"
                       "comment mask range -1:-1, no sample left out\nelement vertex 3\n",
                       0),
            0u);
  const std::string banded = plyHeader("a\nb\x80.mdl", MaskRange{5, 20}, 0);
  EXPECT_NE(banded.find("comment Quorvel points of project a_b_.mdl\n"), std::string::npos);
  EXPECT_NE(banded.find("comment mask range 5:20, samples 5 to 20 of every scan line left out\n"),
            std::string::npos);
  EXPECT_NE(plyHeader("", MaskRange{9, 2}, 0).find("mask range 9:2, no sample left out"),
            std::string::npos);
}

TEST(PlyExport, WithoutScanLinesWritesAHeaderWithoutVertices) {
  const ScanStore store;
  const SensorCalib calib;
  const std::string path = test::freshTestDir() + "/points.ply";
  ASSERT_TRUE(exportPly({store, calib, MaskRange{}}, "run.mdl", path).ok());
  const test::PlyCloud cloud = readCloud(path);
  EXPECT_EQ(cloud.count, 0u);
  EXPECT_EQ(cloud.properties.size(), 14u);
}

TEST(PlyExport, MissingInputsAndLongPathsWriteNothing) {
  const SensorCalib calib = test::identityCalib();
  const std::string dir = test::freshTestDir();
  ScanStore noRegions = resultGrid();
  noRegions.labelMap.reset();
  EXPECT_STREQ(missingExportInput(noRegions, ExportKind::Ply), "Segment Regions");
  EXPECT_NE(exportPly({noRegions, calib, MaskRange{}}, "p", dir + "/a.ply")
                .reason.find("run Segment Regions first"),
            std::string::npos);
  ScanStore noSurface = resultGrid();
  noSurface.varianceMap.reset();
  EXPECT_STREQ(missingExportInput(noSurface, ExportKind::Ply), "VarianceMap");
  const ScanStore store = resultGrid();
  EXPECT_FALSE(exportPly({store, calib, MaskRange{}}, "p", dir + "/" + std::string(300, 'p')).ok());
  EXPECT_FALSE(exportPly({store, calib, MaskRange{}}, "p", dir + "/absent/b.ply").ok());
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace quorvel
