// The simulator's projects: option checks with their reasons, bytes pinned by hashes for both
// scenes and every set-up (the drive, the ray casting, the measurement model and the portable
// maths all show in them), and written files that load.
#include "sim/simulator.h"

#include <gtest/gtest.h>

#include <algorithm>

#include "scan/content_hash.h"
#include "scan/project_load.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

TEST(SimProject, OptionsAreCheckedWithAReason) {
  const std::pair<SimulationOptions, const char*> cases[] = {
      {{"city", 10, 0.5},
       "unknown scene: \"city\"; expected street, hills, hills-cut or hills-fill"},
      {{"street", 0, 0.5}, "line count out of range: 0; expected 1 to 1000000"},
      {{"hills", 1000001, 0.5}, "line count out of range: 1000001; expected 1 to 1000000"},
      {{"street", 10, 0.3}, "unsupported resolution: 0.3; expected 1.0, 0.5 or 0.25"},
      {{"hills", 1000000, 0.25}, ""},
      {{"street", 1, 1.0}, ""}};
  for (const auto& [options, reason] : cases) {
    EXPECT_EQ(checkSimulationOptions(options).reason, reason);
    if (*reason == '\0') continue;
    SimulatedProject project;
    EXPECT_EQ(simulateProject(options, project).reason, reason);
    EXPECT_TRUE(project.dsBytes.empty());
  }
}

struct KnownOutput {
  const char* scene;
  double resolution;
  uint64_t dsHash, truthHash, kerbHash, calibHash;
};

class KnownOutputs : public ::testing::TestWithParam<KnownOutput> {};

// The bytes must not depend on the compiler, its optimisation or the platform's libm. These
// hashes change only when the scenes, the drive or the scanner model change on purpose.
TEST_P(KnownOutputs, FixedSeedGivesKnownBytes) {
  const KnownOutput& known = GetParam();
  SimulatedProject project;
  ASSERT_TRUE(simulateProject({known.scene, 40, known.resolution, 3}, project).ok());
  EXPECT_EQ(fnv1a(project.dsBytes), known.dsHash);
  EXPECT_EQ(fnv1a(project.truth), known.truthHash);
  EXPECT_EQ(fnv1a({reinterpret_cast<const unsigned char*>(project.kerbTruth.data()),
                   project.kerbTruth.size() * sizeof(double)}),
            known.kerbHash);
  EXPECT_EQ(fnv1a(test::bytesOf(project.calibText)), known.calibHash);
  EXPECT_EQ(project.mdlText, "DIR ./\nDS sim.ds\nCALIB sim.cal\n");
}

INSTANTIATE_TEST_SUITE_P(
    SimProject, KnownOutputs,
    ::testing::Values(KnownOutput{"street", 1.0, 0x4fe4fa219d579849ULL, 0x53906dd75b2e8faeULL,
                                  0x58eb5260f6715bc0ULL, 0x1395c5a6d11c6e7aULL},
                      KnownOutput{"street", 0.5, 0x11722b3d0b7e6e02ULL, 0x8738a67fe33ec2e4ULL,
                                  0x58eb5260f6715bc0ULL, 0x1395c5a6d11c6e7aULL},
                      KnownOutput{"street", 0.25, 0x9badc0bbf5a0b4b9ULL, 0x1e1683c30c3fbe6dULL,
                                  0xd1f88d0525dbc64bULL, 0x57da0511f8079872ULL},
                      KnownOutput{"hills", 1.0, 0x9afe862d2746a1a3ULL, 0xa7e8be69b920991bULL,
                                  0x156bdb1fce3e8925ULL, 0x1395c5a6d11c6e7aULL},
                      KnownOutput{"hills", 0.5, 0xf8ec1d1057becbe8ULL, 0x25b856335fb4f0ebULL,
                                  0x156bdb1fce3e8925ULL, 0x1395c5a6d11c6e7aULL},
                      KnownOutput{"hills", 0.25, 0xde4600ebd700d2ebULL, 0x385341fcfc21516aULL,
                                  0x156bdb1fce3e8925ULL, 0x57da0511f8079872ULL},
                      KnownOutput{"hills-cut", 0.5, 0xe1a835a90251dffcULL, 0x10690da3384a095fULL,
                                  0x156bdb1fce3e8925ULL, 0x1395c5a6d11c6e7aULL},
                      KnownOutput{"hills-fill", 0.5, 0xf8ec1d1057becbe8ULL, 0x25b856335fb4f0ebULL,
                                  0x156bdb1fce3e8925ULL, 0x1395c5a6d11c6e7aULL}),
    [](const auto& info) {
      std::string name = info.param.scene + std::to_string(int(info.param.resolution * 100));
      std::replace(name.begin(), name.end(), '-', '_');
      return name;
    });

TEST(SimProject, WrittenProjectLoadsAndAnUnwritableFolderFails) {
  const std::string dir = test::freshTestDir(), out = dir + "/out/nested";
  SimulatedProject project;
  ASSERT_TRUE(simulateProject({"hills", 25, 0.25}, project).ok());
  ASSERT_TRUE(writeSimulatedProject(project, out).ok());
  ProjectLoad load;
  ProjectLoadFailure failure;
  ASSERT_TRUE(readProject(out + "/sim.mdl", {}, {}, load, failure)) << failure.reason;
  EXPECT_EQ(load.ds.lines.size(), 25u);
  EXPECT_EQ(test::readFile(out + "/sim.ds"), project.dsBytes);
  const std::vector<unsigned char> npy = test::readFile(out + "/truth.npy");
  ASSERT_GT(npy.size(), 10u);
  const size_t dataStart = 10 + npy[8] + 256 * npy[9];
  EXPECT_EQ(std::vector<unsigned char>(npy.begin() + dataStart, npy.end()), project.truth);
  test::writeFile(dir + "/file", std::string_view("x"));
  EXPECT_FALSE(writeSimulatedProject(project, dir + "/file").ok());
}

}  // namespace
}  // namespace quorvel
