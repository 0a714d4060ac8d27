// The page's tile code, which its script decodes: [zeros][n][n indices] ..., counts as LEB128
// numbers, the zeros after the last run of other indices left out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "batch/map_tiles.h"

namespace quorvel::batch {
namespace {

TEST(MapTiles, RunLengthCodeOfIndices) {
  const auto code = [](std::vector<unsigned char> indices) {
    const std::string text = runLengthCode(indices);
    return std::vector<unsigned char>(text.begin(), text.end());
  };
  using Bytes = std::vector<unsigned char>;
  EXPECT_EQ(code(Bytes(300, 0)), Bytes{});
  EXPECT_EQ(code({7, 8, 0, 0, 9, 0, 0, 0}), (Bytes{0, 2, 7, 8, 2, 1, 9}));
  Bytes far(20000, 0);  // a run of 200 zeros, then 130 threes: both counts take two bytes
  std::fill(far.begin() + 200, far.begin() + 330, 3);
  Bytes expected(4 + 130, 3);
  expected[0] = 200 % 128 + 128, expected[1] = 1, expected[2] = 130 % 128 + 128, expected[3] = 1;
  EXPECT_EQ(code(far), expected);
}

}  // namespace
}  // namespace quorvel::batch
