#include <gtest/gtest.h>

#include <cmath>

#include "sim/cross_section.h"
#include "sim/scene.h"
#include "sim/scene_primitives.h"

namespace quorvel::sim {
namespace {

constexpr StreetRay DOWN_FROM_TWO = {{0, 1, 2}, {0, 0, -1}};
constexpr StreetRay LEFT_AT_ONE = {{0, 0, 1}, {0, 1, 0}};
constexpr StreetRay FORWARD_AT_ONE = {{0, 0, 1}, {1, 0, 0}};

template <typename Primitive>
RayHit hitOf(const StreetRay& ray, const Primitive& primitive) {
  RayHit nearest;
  intersect(ray, primitive, nearest);
  return nearest;
}

TEST(SimRayCast, FlatPieceBelowTheRay) {
  const SurfacePiece road{-5, 5, -3, 3, 0, 0, SurfaceClass::Road};
  const RayHit hit = hitOf(DOWN_FROM_TWO, road);
  EXPECT_EQ(hit.range, 2.0);
  EXPECT_EQ(hit.surface, SurfaceClass::Road);
}

TEST(SimRayCast, SlopedPieceIsHitAtItsHeightUnderTheRay) {
  const SurfacePiece slope{-5, 5, 0, 2, 0, 1, SurfaceClass::Other};  // w = v / 2
  EXPECT_DOUBLE_EQ(hitOf(DOWN_FROM_TWO, slope).range, 1.5);
  const StreetRay oblique = {{0, 0, 2}, {0, 0.6, -0.8}};  // meets w = v / 2 at v = 0.6 * 2 / 1.1
  EXPECT_NEAR(hitOf(oblique, slope).range, 2.0 / 1.1, 1e-15);
}

struct MissCase {
  const char* name;
  SurfacePiece piece;
};

class PieceMisses : public ::testing::TestWithParam<MissCase> {};

TEST_P(PieceMisses, NoHit) {
  EXPECT_EQ(hitOf(DOWN_FROM_TWO, GetParam().piece).surface, SurfaceClass::None);
}

INSTANTIATE_TEST_SUITE_P(
    SimRayCast, PieceMisses,
    ::testing::Values(MissCase{"BesideAcross", {-5, 5, 2, 3, 0, 0, SurfaceClass::Road}},
                      MissCase{"BesideAlong", {1, 5, -3, 3, 0, 0, SurfaceClass::Road}},
                      MissCase{"Above", {-5, 5, -3, 3, 2.5, 2.5, SurfaceClass::Other}},
                      MissCase{"BeyondRange", {-5, 5, -3, 3, -90, -90, SurfaceClass::Road}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimRayCast, NearerHitIsKept) {
  RayHit nearest{1.0, SurfaceClass::Other, false};
  intersect(DOWN_FROM_TWO, SurfacePiece{-5, 5, -3, 3, 0, 0, SurfaceClass::Road}, nearest);
  EXPECT_EQ(nearest.range, 1.0);
  EXPECT_EQ(nearest.surface, SurfaceClass::Other);
}

Wall facadeAtFive(OpeningKind kind) {
  return {WallAxis::Along,
          5,
          -10,
          10,
          0,
          6,
          1,
          SurfaceClass::Vertical,
          {{-1, 1, 0.5, 1.5, kind, 0.25}}};
}

struct OpeningCase {
  OpeningKind kind;
  SurfaceClass surface;
  double range;
  bool behindGlass;
};

class WallOpenings : public ::testing::TestWithParam<OpeningCase> {};

TEST_P(WallOpenings, RayThroughTheOpening) {
  const RayHit hit = hitOf(LEFT_AT_ONE, facadeAtFive(GetParam().kind));
  EXPECT_EQ(hit.surface, GetParam().surface);
  EXPECT_EQ(hit.range, GetParam().range);
  EXPECT_EQ(hit.behindGlass, GetParam().behindGlass);
}

INSTANTIATE_TEST_SUITE_P(
    SimRayCast, WallOpenings,
    ::testing::Values(OpeningCase{OpeningKind::Passage, SurfaceClass::None, MAX_SIMULATED_RANGE,
                                  false},
                      OpeningCase{OpeningKind::Glass, SurfaceClass::Vertical, 5.25, true},
                      OpeningCase{OpeningKind::Door, SurfaceClass::Vertical, 5.25, false}));

TEST(SimRayCast, WallBesideTheOpeningIsSolid) {
  const StreetRay higher = {{0, 0, 2}, {0, 1, 0}};
  const RayHit hit = hitOf(higher, facadeAtFive(OpeningKind::Passage));
  EXPECT_EQ(hit.range, 5.0);
  EXPECT_FALSE(hit.behindGlass);
  const StreetRay overTheTop = {{0, 0, 7}, {0, 1, 0}};
  EXPECT_EQ(hitOf(overTheTop, facadeAtFive(OpeningKind::Passage)).surface, SurfaceClass::None);
}

TEST(SimRayCast, WallAcrossTheStreet) {
  const Wall portal{WallAxis::Across, 4, -5, 5, 0, 6, 1, SurfaceClass::Vertical, {}};
  EXPECT_EQ(hitOf(FORWARD_AT_ONE, portal).range, 4.0);
  EXPECT_EQ(hitOf(LEFT_AT_ONE, portal).surface, SurfaceClass::None);  // parallel
  EXPECT_EQ(alongStart(portal), 4.0);
  EXPECT_EQ(alongEnd(portal), 4.0);
}

TEST(SimRayCast, PoleSurfaceFacingTheRay) {
  const Pole pole{0.3, 5, 0.5, 0, 3, SurfaceClass::Vertical};  // chord half-length 0.4
  EXPECT_DOUBLE_EQ(hitOf(LEFT_AT_ONE, pole).range, 4.6);
  const Pole shortPole{0.3, 5, 0.5, 0, 0.9, SurfaceClass::Vertical};
  EXPECT_EQ(hitOf(LEFT_AT_ONE, shortPole).surface, SurfaceClass::None);
  const Pole aside{0.6, 5, 0.5, 0, 3, SurfaceClass::Vertical};
  EXPECT_EQ(hitOf(LEFT_AT_ONE, aside).surface, SurfaceClass::None);
}

TEST(SimRayCast, BoxFromAboveAndUnderneath) {
  const Box car{{-2, 2, 0.3}, {2, 4, 1.0}, SurfaceClass::Other};
  const StreetRay down = {{0, 3, 3}, {0, 0, -1}};
  EXPECT_EQ(hitOf(down, car).range, 2.0);
  const StreetRay side = {{0, 0, 0.5}, {0, 1, 0}};
  EXPECT_EQ(hitOf(side, car).range, 2.0);
  const StreetRay underneath = {{0, 0, 0.2}, {0, 1, 0}};
  EXPECT_EQ(hitOf(underneath, car).surface, SurfaceClass::None);
  const StreetRay inside = {{0, 3, 0.5}, {0, 1, 0}};
  EXPECT_EQ(hitOf(inside, car).surface, SurfaceClass::None);
}

Scene smallScene() {
  Scene scene;
  scene.pieces.items.push_back({-100, 100, -20, 20, -2, -2, SurfaceClass::Road});
  scene.walls.items.push_back({WallAxis::Along, 6, 10, 20, -3, 5, 1, SurfaceClass::Vertical, {}});
  scene.poles.items.push_back({0, 3, 0.1, -3, 3, SurfaceClass::Vertical});
  scene.boxes.items.push_back({{-30, -1, -1}, {-28, 1, 0}, SurfaceClass::Other});
  finishScene(scene);
  return scene;
}

TEST(SimRayCast, CandidatesAreThoseReachingIntoTheRange) {
  const Scene scene = smallScene();
  LineCandidates candidates;
  selectCandidates(scene, 9, 11, candidates);
  EXPECT_EQ(candidates.pieces.size(), 1u);  // begins long before
  EXPECT_EQ(candidates.walls.size(), 1u);
  EXPECT_TRUE(candidates.poles.empty());
  EXPECT_TRUE(candidates.boxes.empty());
  selectCandidates(scene, -1, 1, candidates);
  EXPECT_TRUE(candidates.walls.empty());
  EXPECT_EQ(candidates.poles.size(), 1u);
}

TEST(SimRayCast, NearestHitWins) {
  const Scene scene = smallScene();
  LineCandidates candidates;
  selectCandidates(scene, -1, 1, candidates);
  EXPECT_NEAR(castRay(candidates, LEFT_AT_ONE).range, 2.9, 1e-12);  // the pole before the wall
  const RayHit ground = castRay(candidates, {{0, 0, 1}, {0, 0.6, -0.8}});
  EXPECT_DOUBLE_EQ(ground.range, 3.75);
  EXPECT_EQ(ground.surface, SurfaceClass::Road);
}

TEST(SimRayCast, CrossSectionStepsBecomeWalls) {
  Scene scene;
  addCrossSection(scene, 0, 10,
                  mirrored({{-8, 0.2, SurfaceClass::Other},
                            {-5, 0.1, SurfaceClass::Vertical},
                            {-5, -0.05, SurfaceClass::Road},
                            {0, 0, SurfaceClass::Road}}));
  ASSERT_EQ(scene.pieces.items.size(), 2u);
  ASSERT_EQ(scene.walls.items.size(), 1u);
  const SurfacePiece& road = scene.pieces.items[0];
  EXPECT_EQ(road.v0, 0);
  EXPECT_EQ(road.v1, 5);
  EXPECT_EQ(road.w1, -0.05);
  EXPECT_EQ(road.surface, SurfaceClass::Road);
  const Wall& curb = scene.walls.items[0];
  EXPECT_EQ(curb.position, 5);
  EXPECT_EQ(curb.w0, -0.05);
  EXPECT_EQ(curb.w1, 0.1);
  EXPECT_EQ(curb.surface, SurfaceClass::Vertical);
  EXPECT_EQ(scene.pieces.items[1].surface, SurfaceClass::Other);
}

}  // namespace
}  // namespace quorvel::sim
