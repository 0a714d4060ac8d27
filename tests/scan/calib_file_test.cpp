#include "scan/calib_file.h"

#include <gtest/gtest.h>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

SensorCalib parsed(std::string_view text, SensorCalib start = {}) {
  EXPECT_TRUE(parseCalibFile(test::bytesOf(text), start).ok());
  return start;
}

Mat3 calibRotation(double ax, double ay, double az) {
  Mat3 r;
  makeCalibRotation(r, ax * DEG_TO_RAD, ay * DEG_TO_RAD, az * DEG_TO_RAD);
  return r;
}

void expectNear(const Mat3& actual, const Mat3& expected) {
  for (int i = 0; i < 9; ++i) EXPECT_NEAR(actual[i], expected[i], 1e-7) << "element " << i;
}

TEST(CalibFile, RotAboutZByNinetyDegrees) {
  const SensorCalib calib = parsed("rot 0 0 90\n");
  expectNear(calib.rotation, {0, -1, 0, 1, 0, 0, 0, 0, 1});
  EXPECT_NE(calib.rotation[0], 0.0);  // the short pi leaves about 2.7e-8
}

TEST(CalibFile, RotLinesComposeOnTheRightInFileOrder) {
  const SensorCalib calib = parsed("rot 90 0 0\nrot 0 90 0\n");
  Mat3 expected = RotX(90 * DEG_TO_RAD);
  mat3Multiply(expected, RotY(90 * DEG_TO_RAD));
  EXPECT_EQ(calib.rotation, expected);
}

TEST(CalibFile, OneLineComposesZYX) {
  const SensorCalib calib = parsed("rot 10 20 30");
  EXPECT_EQ(calib.rotation, calibRotation(10, 20, 30));
}

TEST(CalibFile, CommasCaseAndSuffixesReadLikeBlanks) {
  const SensorCalib spaced = parsed("rot 1 2 3\nshv 0.5 -1 2\n");
  EXPECT_EQ(parsed("ROT,1,2,3\nShv\t0.5,-1,2\n").rotation, spaced.rotation);
  EXPECT_EQ(parsed("rotation 1 2 3\nshvx 0.5 -1 2").translation, spaced.translation);
  EXPECT_EQ(spaced.translation, (Vec3{0.5, -1, 2}));
}

TEST(CalibFile, LastShvWinsAndOtherLinesAreIgnored) {
  const SensorCalib calib = parsed("# mounting\nshv 1 2 3\n rot 5 5 5\nshv 4 5 6\n\nxyz 1\n");
  EXPECT_EQ(calib.translation, (Vec3{4, 5, 6}));
  EXPECT_EQ(calib.rotation, (Mat3{1, 0, 0, 0, 1, 0, 0, 0, 1}));
}

TEST(CalibFile, EveryLoadRestartsTheRotationButKeepsAnUnmentionedTranslation) {
  SensorCalib previous;
  previous.rotation = calibRotation(0, 0, 45);
  previous.translation = {7, 8, 9};
  const SensorCalib calib = parsed("rot 0 0 10\n", previous);
  EXPECT_EQ(calib.rotation, calibRotation(0, 0, 10));
  EXPECT_EQ(calib.translation, (Vec3{7, 8, 9}));
}

TEST(CalibFile, MissingValuesReadAsZero) {
  const SensorCalib calib = parsed("rot 0 90\nshv 1\nshv\n");
  EXPECT_EQ(calib.rotation, calibRotation(0, 90, 0));
  EXPECT_EQ(calib.translation, (Vec3{0, 0, 0}));
}

TEST(CalibFile, WindowsLineEndsReadTheSame) {
  EXPECT_EQ(parsed("rot 1 2 3\r\nshv 4 5 6\r\n").translation, (Vec3{4, 5, 6}));
}

TEST(CalibFile, UnreadableFileFailsAndChangesNothing) {
  SensorCalib calib;
  calib.translation = {1, 2, 3};
  EXPECT_FALSE(readCalibFile(test::freshTestDir() + "/absent.cal", calib).ok());
  EXPECT_EQ(calib.translation, (Vec3{1, 2, 3}));
  EXPECT_EQ(calib.rotation, Mat3{});
}

}  // namespace
}  // namespace quorvel
