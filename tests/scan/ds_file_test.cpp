#include "scan/ds_file.h"

#include <gtest/gtest.h>

#include <cstring>
#include <limits>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using test::dsFileBytes;
using test::DsRecord;

DsRecord recordWithRange(std::vector<int16_t> range, double x = 0) {
  DsRecord record;
  record.position = {x, 0, 0};
  record.range = std::move(range);
  return record;
}

struct SetupCase {
  float resolution, fieldOfView;
  int pointsPerLine, recordSize;
};

class DsSetups : public ::testing::TestWithParam<SetupCase> {};

TEST_P(DsSetups, AcceptedSetupsFixSamplesAndRecordSize) {
  const SetupCase& c = GetParam();
  DsContents contents;
  ASSERT_TRUE(
      parseDsFile(dsFileBytes(c.resolution, c.fieldOfView, 100, {DsRecord{}}), contents).ok());
  EXPECT_EQ(contents.setup.pointsPerLine, c.pointsPerLine);
  EXPECT_EQ(contents.setup.recordSize, c.recordSize);
  EXPECT_EQ(contents.lines.size(), 1u);
}

INSTANTIATE_TEST_SUITE_P(Table, DsSetups,
                         ::testing::Values(SetupCase{1.0f, 180.0f, 181, 414},
                                           SetupCase{0.5f, 180.0f, 361, 774},
                                           SetupCase{0.25f, 100.0f, 401, 854}));

TEST(DsFile, OtherSetupPairsAreRejected) {
  for (auto [resolution, fov] : {std::pair{1.0f, 100.0f},
                                 {0.5f, 100.0f},
                                 {0.25f, 180.0f},
                                 {2.0f, 180.0f},
                                 {0.5000001f, 180.0f}}) {
    DsContents contents;
    const Status status = parseDsFile(dsFileBytes(resolution, fov, 100, {DsRecord{}}), contents);
    EXPECT_FALSE(status.ok()) << resolution << " " << fov;
    EXPECT_NE(status.reason.find("unsupported set-up"), std::string::npos);
  }
  const float nan = std::numeric_limits<float>::quiet_NaN();
  DsContents contents;
  EXPECT_FALSE(parseDsFile(dsFileBytes(nan, 180.0f, 100, {}), contents).ok());
}

TEST(DsFile, FileShorterThanItsHeaderIsRejected) {
  std::vector<unsigned char> bytes = dsFileBytes(0.5f, 180.0f, 100, {}, 0);
  bytes.resize(11);
  DsContents contents;
  const Status status = parseDsFile(bytes, contents);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.reason.find("shorter than the DS header"), std::string::npos);
  EXPECT_FALSE(parseDsFile({}, contents).ok());
}

TEST(DsFile, HeaderAloneAndTwoHundredRecordsLoadNoLine) {
  DsContents contents;
  ASSERT_TRUE(parseDsFile(dsFileBytes(1.0f, 180.0f, 100, {}, 0), contents).ok());
  EXPECT_TRUE(contents.lines.empty());
  ASSERT_TRUE(parseDsFile(dsFileBytes(1.0f, 180.0f, 100, {}, 200), contents).ok());
  EXPECT_TRUE(contents.lines.empty());
}

TEST(DsFile, TheFirstTwoHundredRecordsAreSkipped) {
  const auto bytes = dsFileBytes(1.0f, 180.0f, 100, {recordWithRange({7, 8, 9}, 42.0)});
  ASSERT_EQ(bytes.size(), 12u + 201u * 414u);
  DsContents contents;
  ASSERT_TRUE(parseDsFile(bytes, contents).ok());
  ASSERT_EQ(contents.lines.size(), 1u);
  EXPECT_EQ(contents.lines[0].position[0], 42.0);
  EXPECT_EQ(contents.lines[0].range[0], 7);
  EXPECT_EQ(contents.lines[0].range[2], 9);
  EXPECT_EQ(contents.lines[0].range[180], 0);
  EXPECT_EQ(contents.lines[0].range[181], 0);  // beyond pointsPerLine stays zero
}

TEST(DsFile, PartialTrailingRecordCountsWithZerosForMissingBytes) {
  DsRecord full = recordWithRange(std::vector<int16_t>(181, 5), 1.0);
  full.attitude = {0.1, 0.2, 0.3};
  auto bytes = dsFileBytes(1.0f, 180.0f, 100, {full, full});
  bytes.resize(bytes.size() - 414 + 60);  // the second record ends after sample 3
  DsContents contents;
  ASSERT_TRUE(parseDsFile(bytes, contents).ok());
  ASSERT_EQ(contents.lines.size(), 2u);
  const ScanLine& partial = contents.lines[1];
  EXPECT_EQ(partial.attitude[2], 0.3);
  EXPECT_EQ(partial.range[3], 5);
  EXPECT_EQ(partial.range[4], 0);
  Mat3 expected;
  makePoseRotation(expected, 0.1, 0.2, 0.3);
  EXPECT_EQ(partial.rotation, expected);
}

TEST(DsFile, RecordBytesAndNegativeSamplesAreKeptAsRead) {
  DsRecord record = recordWithRange({-5, 32767, -32768});
  record.reserved = {0xde, 0xad, 0xbe, 0xef};
  const auto bytes = dsFileBytes(0.5f, 180.0f, 100, {record});
  DsContents contents;
  ASSERT_TRUE(parseDsFile(bytes, contents).ok());
  const ScanLine& line = contents.lines[0];
  EXPECT_EQ(std::memcmp(&line, bytes.data() + 12 + 200 * 774, 774), 0);
  EXPECT_EQ(line.range[0], -5);
  EXPECT_EQ(line.range[2], -32768);
  EXPECT_EQ(line.reserved[3], 0xef);
}

TEST(DsFile, ZeroAttitudeGivesTheIdentityRotation) {
  DsContents contents;
  ASSERT_TRUE(parseDsFile(dsFileBytes(0.5f, 180.0f, 100, {DsRecord{}}), contents).ok());
  EXPECT_EQ(contents.lines[0].rotation, (Mat3{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(DsFile, AllocationFailureIsReportedNotThrown) {
  std::vector<ScanLine> lines;
  const Status status = allocateScanLines(std::numeric_limits<size_t>::max() / 2, lines);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.reason.find("not enough memory"), std::string::npos);
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer ends the program instead of throwing
  EXPECT_FALSE(allocateScanLines(size_t{1} << 40, lines).ok());  // about 1.7 PB
#endif
  EXPECT_TRUE(lines.empty());
}

class DsStore : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::freshTestDir();
    goodPath = dir + "/good.ds";
    test::writeFile(goodPath, dsFileBytes(0.5f, 180.0f, 100,
                                          {recordWithRange({1000}), recordWithRange({2000})}));
    ASSERT_TRUE(readDsFile(goodPath, store).ok());
  }
  std::string dir, goodPath;
  ScanStore store;
};

TEST_F(DsStore, LoadSetsHeaderValuesAndLines) {
  EXPECT_EQ(store.fieldOfView, 180.0f);
  EXPECT_EQ(store.angularResolution, 0.5f);
  EXPECT_EQ(store.rangeUnit, 100.0f);
  EXPECT_EQ(store.angularStep, 0.5 * DEG_TO_RAD);
  EXPECT_EQ(store.startAngle, 0.0);
  EXPECT_EQ(store.pointsPerLine, 361);
  EXPECT_EQ(store.recordSize, 774);
  EXPECT_EQ(store.lineCount, 2);
  EXPECT_EQ((*store.lines)[1].range[0], 2000);
}

TEST_F(DsStore, RejectedSetupLeavesScanAndHeaderUntouched) {
  const std::string bad = dir + "/bad.ds";
  test::writeFile(bad, dsFileBytes(2.0f, 90.0f, 7, {DsRecord{}}));
  store.varianceMap.emplace(722, 0.5);
  EXPECT_FALSE(readDsFile(bad, store).ok());
  EXPECT_EQ(store.angularResolution, 0.5f);
  EXPECT_EQ(store.fieldOfView, 180.0f);
  EXPECT_EQ(store.rangeUnit, 100.0f);
  EXPECT_EQ(store.angularStep, 0.5 * DEG_TO_RAD);
  EXPECT_EQ(store.lineCount, 2);
  EXPECT_TRUE(store.varianceMap.has_value());
}

TEST_F(DsStore, ShortFileDoesNotReuseEarlierHeaderValues) {
  const std::string shortFile = dir + "/short.ds";
  test::writeFile(shortFile, std::string("\0\0\0\0\0\0", 6));
  EXPECT_FALSE(readDsFile(shortFile, store).ok());
  EXPECT_EQ(store.lineCount, 2);
}

TEST_F(DsStore, MissingFileChangesNothing) {
  const Status status = readDsFile(dir + "/absent.ds", store);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.reason.find("cannot open"), std::string::npos);
  EXPECT_EQ(store.lineCount, 2);
}

TEST_F(DsStore, NewLoadReleasesEveryDerivedBuffer) {
  store.varianceMap.emplace(722, 0.5);
  store.normalMap.emplace(722, Vec3{0, 0, 1});
  store.labelMap.emplace(722, uint16_t{3});
  store.segmentTable.emplace(10000);
  store.lineSegmentMask.emplace(722, uint8_t{2});
  store.lineSegmentLists.emplace(2);
  (*store.lineSegmentLists)[0] = std::make_unique<LineSegment>();
  const std::string other = dir + "/other.ds";
  test::writeFile(other, dsFileBytes(1.0f, 180.0f, 10, {DsRecord{}, DsRecord{}, DsRecord{}}));
  ASSERT_TRUE(readDsFile(other, store).ok());
  EXPECT_EQ(store.lineCount, 3);
  EXPECT_EQ(store.pointsPerLine, 181);
  EXPECT_FALSE(store.varianceMap || store.normalMap || store.labelMap || store.segmentTable ||
               store.lineSegmentMask || store.lineSegmentLists);
}

TEST_F(DsStore, FreeEmptiesTheStoreButKeepsTheHeader) {
  store.lineSegmentLists.emplace(2);
  for (int i = 0; i < 3; ++i) {
    auto segment = std::make_unique<LineSegment>();
    segment->next = std::move((*store.lineSegmentLists)[0]);
    (*store.lineSegmentLists)[0] = std::move(segment);
  }
  freeScanStore(store);
  EXPECT_FALSE(store.lines.has_value());
  EXPECT_FALSE(store.lineSegmentLists.has_value());
  EXPECT_EQ(store.lineCount, 0);
  EXPECT_EQ(store.pointsPerLine, 361);
}

}  // namespace
}  // namespace quorvel
