// Class codes at every boundary of their rules, in the stage and in the literal steps.
#include <gtest/gtest.h>

#include "segment/segment_class.h"
#include "tests/reference/region_reference.h"

namespace quorvel {
namespace {

struct ClassCase {
  const char* name;
  double nz, var, maxZ, width;
  int32_t pointNum, boundaryPt;
  uint8_t code;
};

class ClassCode : public ::testing::TestWithParam<ClassCase> {};

TEST_P(ClassCode, FollowsTheRulesAtTheirBoundaries) {
  const ClassCase c = GetParam();
  for (double sign : {1.0, -1.0}) {
    SegmentRecord segment;
    segment.normal = {0.0, 0.0, sign * c.nz};
    segment.var = c.var;
    segment.maxPt = {0.0, 0.0, c.maxZ};
    segment.width = c.width;
    segment.pointNum = c.pointNum;
    segment.boundaryPt = c.boundaryPt;
    EXPECT_EQ(segmentClassCode(segment), c.code) << "sign " << sign;
    EXPECT_EQ(reference::LiteralRegions::classCode(segment), c.code) << "sign " << sign;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Boundaries, ClassCode,
    ::testing::Values(ClassCase{"HorizontalAtZero", 0.995, 0.0, 0.0, 1.0, 100, 10, 0},
                      ClassCase{"HorizontalAbove", 0.995, 0.0, 1e-9, 1.0, 100, 10, 1},
                      ClassCase{"NzExactly099IsSlantAbove", 0.99, 0.0, 0.0, 1.0, 100, 10, 4},
                      ClassCase{"NzExactly099IsSlantNarrow", 0.99, 0.0, -1.0, 4.0, 100, 10, 6},
                      ClassCase{"NzExactly01IsSlantWide", 0.1, 0.0, -1.0, 5.0, 100, 10, 7},
                      ClassCase{"NzExactly01IsSlantAbove", 0.1, 0.5, 0.0, 9.0, 100, 90, 4},
                      ClassCase{"WidthJustBelowFive", 0.5, 0.0, -1.0, 4.999999, 100, 10, 6},
                      ClassCase{"WidthFive", 0.5, 0.0, -1.0, 5.0, 100, 10, 7},
                      ClassCase{"VerticalFlatAtZero", 0.05, 0.199, 0.0, 1.0, 10, 10, 2},
                      ClassCase{"VerticalFlatBelow", 0.05, 0.199, -1e-9, 1.0, 10, 10, 3},
                      ClassCase{"VerticalVar02IsRoughBelow", 0.05, 0.2, -1.0, 1.0, 100, 10, 5},
                      ClassCase{"VerticalRoughCompactLarge", 0.05, 0.2, 0.0, 1.0, 61, 18, 2},
                      ClassCase{"VerticalRoughSixtyPoints", 0.05, 0.2, 0.0, 1.0, 60, 17, 4},
                      ClassCase{"VerticalRoughRatioExactly03", 0.05, 0.3, 1.0, 1.0, 100, 30, 4},
                      ClassCase{"VerticalRoughRatioBelow03", 0.05, 0.3, 1.0, 1.0, 100, 29, 2},
                      ClassCase{"ZeroNormal", 0.0, 0.0, 2.0, 1.0, 10, 10, 2}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel
