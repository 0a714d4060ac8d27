#include "export/npy_file.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

std::string headerText(const std::vector<unsigned char>& header) {
  return std::string(header.begin() + 10, header.end());
}

TEST(NpyFile, HeaderIsPaddedToSixtyFourBytes) {
  const size_t shape[] = {1500, 361};
  const auto header = npyHeader("|u1", shape);
  EXPECT_EQ(header.size() % 64, 0u);
  EXPECT_EQ(header[0], 0x93);
  EXPECT_EQ(std::string(header.begin() + 1, header.begin() + 6), "NUMPY");
  EXPECT_EQ(header[6], 1);
  EXPECT_EQ(header[7], 0);
  EXPECT_EQ(header[8] + 256 * header[9], static_cast<int>(header.size()) - 10);
  const std::string dict = headerText(header);
  EXPECT_EQ(dict.find("{'descr': '|u1', 'fortran_order': False, 'shape': (1500, 361), }"), 0u);
  EXPECT_EQ(dict.back(), '\n');
}

TEST(NpyFile, OneAndThreeDimensionalShapes) {
  const size_t one[] = {7};
  EXPECT_NE(headerText(npyHeader("<f8", one)).find("'shape': (7,), }"), std::string::npos);
  const size_t three[] = {361, 100, 3};
  EXPECT_NE(headerText(npyHeader("<f8", three)).find("'shape': (361, 100, 3), }"),
            std::string::npos);
}

TEST(NpyFile, DataFollowsTheHeader) {
  const std::string path = test::freshTestDir() + "/a.npy";
  const size_t shape[] = {2, 2};
  const uint16_t values[] = {1, 2, 3, 0x1234};
  ASSERT_TRUE(writeNpyFile(path, shape, std::span<const uint16_t>(values)).ok());
  const auto bytes = test::readFile(path);
  const size_t headerSize = npyHeader("<u2", shape).size();
  ASSERT_EQ(bytes.size(), headerSize + 8u);
  EXPECT_NE(std::string(bytes.begin(), bytes.begin() + 64).find("'<u2'"), std::string::npos);
  EXPECT_EQ(bytes[headerSize + 6], 0x34);
  EXPECT_EQ(bytes[headerSize + 7], 0x12);
}

}  // namespace
}  // namespace quorvel
