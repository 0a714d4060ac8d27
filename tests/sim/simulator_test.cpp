#include "sim/simulator.h"

#include <gtest/gtest.h>

#include <cstring>
#include <span>

#include "scan/ds_file.h"
#include "scan/project_load.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

SimulationOptions optionsFor(const std::string& scene, int lines, double resolution,
                             uint64_t seed = 1) {
  SimulationOptions options;
  options.scene = scene;
  options.lines = lines;
  options.resolution = resolution;
  options.seed = seed;
  return options;
}

SimulatedProject simulated(const SimulationOptions& options) {
  SimulatedProject project;
  const Status status = simulateProject(options, project);
  EXPECT_TRUE(status.ok()) << status.reason;
  return project;
}

float headerFloat(const SimulatedProject& project, size_t offset) {
  float value;
  std::memcpy(&value, project.dsBytes.data() + offset, sizeof value);
  return value;
}

struct BadOptions {
  const char* name;
  SimulationOptions options;
  const char* reasonPart;
};

class SimulationOptionChecks : public ::testing::TestWithParam<BadOptions> {};

TEST_P(SimulationOptionChecks, RejectedWithAReason) {
  const Status status = checkSimulationOptions(GetParam().options);
  EXPECT_NE(status.reason.find(GetParam().reasonPart), std::string::npos) << status.reason;
  SimulatedProject project;
  EXPECT_EQ(simulateProject(GetParam().options, project).reason, status.reason);
  EXPECT_TRUE(project.dsBytes.empty());
}

INSTANTIATE_TEST_SUITE_P(
    SimProject, SimulationOptionChecks,
    ::testing::Values(BadOptions{"Scene", optionsFor("city", 10, 0.5), "unknown scene: \"city\""},
                      BadOptions{"NoLines", optionsFor("street", 0, 0.5), "line count"},
                      BadOptions{"TooManyLines", optionsFor("hills", 1000001, 0.5), "1000001"},
                      BadOptions{"Resolution", optionsFor("street", 10, 0.3), "resolution: 0.3"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SimProject, LimitsAreAccepted) {
  EXPECT_TRUE(checkSimulationOptions(optionsFor("street", 1, 1.0)).ok());
  EXPECT_TRUE(checkSimulationOptions(optionsFor("hills", MAX_SIMULATED_LINES, 0.25)).ok());
}

struct SetupCase {
  double resolution;
  float fieldOfView;
  int pointsPerLine;
};

class EverySetup : public ::testing::TestWithParam<SetupCase> {};

TEST_P(EverySetup, SizesAndHeaderMatchTheSetup) {
  constexpr int LINES = 30;
  const SetupCase setup = GetParam();
  const SimulatedProject project = simulated(optionsFor("street", LINES, setup.resolution));
  const size_t recordSize = 52 + 2 * static_cast<size_t>(setup.pointsPerLine);
  EXPECT_EQ(project.dsBytes.size(), 12 + (LINES + 200) * recordSize);
  EXPECT_EQ(headerFloat(project, 0), setup.fieldOfView);
  EXPECT_EQ(headerFloat(project, 4), static_cast<float>(setup.resolution));
  EXPECT_EQ(headerFloat(project, 8), 100.0f);
  EXPECT_EQ(project.lines, LINES);
  EXPECT_EQ(project.pointsPerLine, setup.pointsPerLine);
  EXPECT_EQ(project.truth.size(), static_cast<size_t>(LINES * setup.pointsPerLine));
}

TEST_P(EverySetup, WrittenProjectLoads) {
  constexpr int LINES = 25;
  const std::string dir = test::freshTestDir() + "/out/nested";
  const SimulatedProject project = simulated(optionsFor("hills", LINES, GetParam().resolution));
  ASSERT_TRUE(writeSimulatedProject(project, dir).ok());
  ScanStore store;
  ASSERT_TRUE(readDsFile(dir + "/sim.ds", store).ok());
  EXPECT_EQ(store.lineCount, LINES);
  EXPECT_EQ(store.pointsPerLine, GetParam().pointsPerLine);
  ProjectLoad load;
  ProjectLoadFailure failure;
  ASSERT_TRUE(readProject(dir + "/sim.mdl", {}, {}, load, failure)) << failure.reason;
  EXPECT_EQ(load.ds.lines.size(), static_cast<size_t>(LINES));
  EXPECT_EQ(test::readFile(dir + "/sim.ds"), project.dsBytes);
  const std::vector<unsigned char> npy = test::readFile(dir + "/truth.npy");
  ASSERT_GT(npy.size(), 10u);
  const size_t dataStart = 10 + npy[8] + 256 * npy[9];
  EXPECT_EQ(std::vector<unsigned char>(npy.begin() + dataStart, npy.end()), project.truth);
}

INSTANTIATE_TEST_SUITE_P(SimProject, EverySetup,
                         ::testing::Values(SetupCase{1.0, 180.0f, 181}, SetupCase{0.5, 180.0f, 361},
                                           SetupCase{0.25, 100.0f, 401}));

TEST(SimProject, ProjectTextsAreFixed) {
  const SimulatedProject project = simulated(optionsFor("street", 5, 0.5));
  EXPECT_EQ(project.mdlText, "DIR ./\nDS sim.ds\nCALIB sim.cal\n");
  EXPECT_EQ(project.calibText,
            "# Quorvel simulated scanner mounting\nrot -90 0 -90\nrot 0 0 -10\nrot 0.4 -0.3 0.2\n"
            "shv -1.2 0 1.6\n");
  EXPECT_NE(simulated(optionsFor("street", 5, 0.25)).calibText.find("rot 0 0 40\n"),
            std::string::npos);
}

TEST(SimProject, ReservedBytesCountTheRecords) {
  const SimulatedProject project = simulated(optionsFor("street", 3, 1.0));
  const size_t recordSize = 52 + 2 * 181;
  for (uint32_t record : {0u, 1u, 202u}) {
    uint32_t reserved;
    std::memcpy(&reserved, project.dsBytes.data() + 12 + record * recordSize + 48, 4);
    EXPECT_EQ(reserved, record);
  }
}

TEST(SimProject, SameOptionsGiveTheSameBytes) {
  for (const char* scene : {"street", "hills"}) {
    const SimulationOptions options = optionsFor(scene, 60, 0.5, 42);
    const SimulatedProject first = simulated(options), second = simulated(options);
    EXPECT_EQ(first.dsBytes, second.dsBytes) << scene;
    EXPECT_EQ(first.truth, second.truth) << scene;
    const SimulatedProject otherSeed = simulated(optionsFor(scene, 60, 0.5, 43));
    EXPECT_NE(first.dsBytes, otherSeed.dsBytes) << scene;
  }
}

uint64_t fnv1a(std::span<const unsigned char> bytes) {
  uint64_t hash = 0xcbf29ce484222325ULL;
  for (const unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001b3ULL;
  return hash;
}

struct KnownOutput {
  const char* scene;
  uint64_t dsHash, truthHash;
};

class KnownOutputs : public ::testing::TestWithParam<KnownOutput> {};

// The bytes must not depend on the compiler, its optimisation or the platform's libm. These
// hashes change only when the scenes, the drive or the scanner model change on purpose.
TEST_P(KnownOutputs, FixedSeedGivesKnownBytes) {
  const SimulatedProject project = simulated(optionsFor(GetParam().scene, 40, 0.5, 3));
  EXPECT_EQ(fnv1a(project.dsBytes), GetParam().dsHash);
  EXPECT_EQ(fnv1a(project.truth), GetParam().truthHash);
}

INSTANTIATE_TEST_SUITE_P(
    SimProject, KnownOutputs,
    ::testing::Values(KnownOutput{"street", 0x11722b3d0b7e6e02ULL, 0x316792c55826fe72ULL},
                      KnownOutput{"hills", 0xf8ec1d1057becbe8ULL, 0x8c50d4916c48ad3dULL}),
    [](const auto& info) { return std::string(info.param.scene); });

TEST(SimProject, UnwritableFolderFails) {
  const std::string dir = test::freshTestDir();
  test::writeFile(dir + "/file", std::string_view("x"));
  const Status status =
      writeSimulatedProject(simulated(optionsFor("street", 2, 1.0)), dir + "/file");
  EXPECT_FALSE(status.ok());
}

}  // namespace
}  // namespace quorvel
