// The road and non-road DS exports: what they keep, what they leave, and reloading.
#include "export/ds_export.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <random>

#include "scan/ds_file.h"
#include "tests/support/grid_store.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

// Lines of 181 samples with varied raw values (some out of the valid range), set reserved
// bytes and a LineSegmentMask of random classes (fixed seed).
ScanStore classifiedStore(int32_t lines) {
  ScanStore store = test::gridStore(lines, 181, 100.0f, [](int32_t l, int32_t s) {
    return int16_t(-300 + (l * 131 + s * 17) % 7000);
  });
  std::mt19937 random(7);
  const uint8_t classes[] = {0, 1, 2, 2, 4, 5, 8};
  store.lineSegmentMask.emplace(static_cast<size_t>(lines) * 181);
  for (uint8_t& c : *store.lineSegmentMask) c = classes[random() % 7];
  for (int32_t l = 0; l < lines; ++l) {
    ScanLine& line = (*store.lines)[static_cast<size_t>(l)];
    line.attitude = {0.01 * l, -0.02, 1.5};
    std::memcpy(line.reserved, "\x11\x22\x33\x44", 4);
  }
  store.fieldOfView = 180.0f;
  store.angularResolution = 1.0f;
  return store;
}

struct DsPair {
  std::vector<unsigned char> road, nonRoad;
};

DsPair exportBoth(const ScanStore& store, MaskRange mask) {
  const std::string dir = test::freshTestDir();
  const SensorCalib calib = test::identityCalib();
  EXPECT_TRUE(exportSelectedDs({store, calib, mask}, dir + "/r.ds", RoadSelection::Road).ok());
  EXPECT_TRUE(exportSelectedDs({store, calib, mask}, dir + "/n.ds", RoadSelection::NonRoad).ok());
  return {test::readFile(dir + "/r.ds"), test::readFile(dir + "/n.ds")};
}

int16_t sampleAt(const std::vector<unsigned char>& file, const ScanStore& store, int32_t l,
                 int32_t s) {
  int16_t value;
  const size_t offset = DS_HEADER_SIZE + static_cast<size_t>(l) * store.recordSize +
                        DS_RECORD_FIXED_SIZE + 2 * static_cast<size_t>(s);
  std::memcpy(&value, file.data() + offset, 2);
  return value;
}

class DsSelection : public ::testing::TestWithParam<MaskRange> {};

TEST_P(DsSelection, ExactlyOneExportKeepsEachSampleOutsideTheBand) {
  const ScanStore store = classifiedStore(5);
  const MaskRange mask = GetParam();
  const DsPair files = exportBoth(store, mask);
  const size_t size = DS_HEADER_SIZE + 5 * static_cast<size_t>(store.recordSize);
  ASSERT_EQ(files.road.size(), size);
  ASSERT_EQ(files.nonRoad.size(), size);
  for (int32_t l = 0; l < 5; ++l) {
    for (int32_t s = 0; s < 181; ++s) {
      const int16_t raw = (*store.lines)[static_cast<size_t>(l)].range[s];
      const bool road = (*store.lineSegmentMask)[static_cast<size_t>(l * 181 + s)] == 2;
      const bool kept = !inMaskBand(mask, s);
      EXPECT_EQ(sampleAt(files.road, store, l, s), kept && road ? raw : 0);
      EXPECT_EQ(sampleAt(files.nonRoad, store, l, s), kept && !road ? raw : 0);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Bands, DsSelection,
                         ::testing::Values(MaskRange{-1, -1}, MaskRange{10, 20}, MaskRange{5, 5},
                                           MaskRange{30, 2}));

TEST(DsExport, HeaderPoseAndReservedBytesAreAsLoaded) {
  const ScanStore store = classifiedStore(4);
  const DsPair files = exportBoth(store, MaskRange{});
  std::vector<unsigned char> header;
  appendDsHeader({store.fieldOfView, store.angularResolution, store.rangeUnit}, header);
  for (const auto* file : {&files.road, &files.nonRoad}) {
    ASSERT_TRUE(std::equal(header.begin(), header.end(), file->begin()));
    for (int32_t l = 0; l < 4; ++l) {
      const auto* record = file->data() + DS_HEADER_SIZE + l * store.recordSize;
      EXPECT_EQ(std::memcmp(record, &(*store.lines)[static_cast<size_t>(l)], DS_RECORD_FIXED_SIZE),
                0);
    }
  }
}

TEST(DsExport, RepeatedExportsAreIdenticalAndLeaveTheStore) {
  const ScanStore store = classifiedStore(3);
  const ScanStore copy = classifiedStore(3);
  const DsPair first = exportBoth(store, MaskRange{3, 9});
  const DsPair second = exportBoth(store, MaskRange{3, 9});
  EXPECT_EQ(first.road, second.road);
  EXPECT_EQ(first.nonRoad, second.nonRoad);
  EXPECT_EQ(std::memcmp(store.lines->data(), copy.lines->data(), 3 * sizeof(ScanLine)), 0);
}

TEST(DsExport, ReloadingSkipsTheLeading200RecordsAgain) {
  const ScanStore store = classifiedStore(205);
  const DsPair files = exportBoth(store, MaskRange{});
  DsContents reloaded;
  ASSERT_TRUE(parseDsFile(files.nonRoad, reloaded).ok());
  ASSERT_EQ(reloaded.lines.size(), 5u);
  for (int32_t l = 0; l < 5; ++l) {
    for (int32_t s = 0; s < 181; ++s) {
      EXPECT_EQ(reloaded.lines[static_cast<size_t>(l)].range[s],
                sampleAt(files.nonRoad, store, 200 + l, s));
    }
    EXPECT_EQ(reloaded.lines[static_cast<size_t>(l)].attitude,
              (*store.lines)[static_cast<size_t>(200 + l)].attitude);
  }
}

TEST(DsExport, WithoutScanLinesOnlyTheHeader) {
  ScanStore store;
  store.fieldOfView = 180.0f;
  store.angularResolution = 0.5f;
  store.rangeUnit = 100.0f;
  const DsPair files = exportBoth(store, MaskRange{});
  std::vector<unsigned char> header;
  appendDsHeader({180.0f, 0.5f, 100.0f}, header);
  EXPECT_EQ(files.road, header);
  EXPECT_EQ(files.nonRoad, header);
}

TEST(DsExport, WithoutMaskWritesNothing) {
  ScanStore store = classifiedStore(2);
  store.lineSegmentMask.reset();
  const SensorCalib calib = test::identityCalib();
  const std::string dir = test::freshTestDir();
  EXPECT_FALSE(
      exportSelectedDs({store, calib, MaskRange{}}, dir + "/r.ds", RoadSelection::Road).ok());
  EXPECT_STREQ(missingExportInput(store, ExportKind::NonRoadDs), "LineSegger");
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

}  // namespace
}  // namespace quorvel
