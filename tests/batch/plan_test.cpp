// The batch library on its own: a plan splits each project into tasks of at most the chunk size,
// gives an unreadable project one task with the reason, survives its JSON form unchanged, and
// names its Slurm array elements compactly.
#include <gtest/gtest.h>

#include "batch/plan.h"
#include "batch/slurm_submit.h"
#include "tests/support/simulated_scan.h"
#include "tests/support/test_files.h"

namespace quorvel::batch {
namespace {

TEST(BatchPlan, SplitsEachProjectIntoChunksAndSurvivesItsJsonForm) {
  const std::string root = test::freshTestDir();
  ASSERT_FALSE(test::simulatedProjectFiles(root + "/a", 25).empty());
  RunOptions options;
  options.exports = {"las"};
  options.mask = MaskRange{-3, 7};
  const BatchPlan plan = planBatch({root + "/a/sim.mdl", root + "/missing/sim.mdl"}, 10, options);
  ASSERT_EQ(plan.tasks.size(), 4u);
  const int64_t expected[][3] = {{0, 0, 9}, {0, 10, 19}, {0, 20, 24}, {1, 0, 0}};
  for (size_t k = 0; k < 4; ++k) {
    EXPECT_EQ(plan.tasks[k].project, expected[k][0]);
    EXPECT_EQ(plan.tasks[k].first, expected[k][1]);
    EXPECT_EQ(plan.tasks[k].last, expected[k][2]);
  }
  EXPECT_EQ(plan.tasks[1].folder, "tasks/sim-10-19");
  EXPECT_EQ(plan.tasks[3].folder, "tasks/sim.2-0-0");
  EXPECT_TRUE(plan.projects[0].unreadable.empty());
  EXPECT_NE(plan.projects[1].unreadable.find("missing/sim.mdl"), std::string::npos);
  BatchPlan parsed;
  ASSERT_TRUE(parsePlanJson(planJson(plan), parsed).ok());
  EXPECT_TRUE(samePlan(plan, parsed));
  EXPECT_EQ(planJson(parsed), planJson(plan));
  options.exports = {"ply"};
  EXPECT_FALSE(
      samePlan(plan, planBatch({root + "/a/sim.mdl", root + "/missing/sim.mdl"}, 10, options)));
  EXPECT_FALSE(parsePlanJson("{\"format\": \"quorvel batch 1\"}", parsed).ok());
}

TEST(BatchPlan, SlurmArrayListsJoinRunsOfTasks) {
  EXPECT_EQ(arrayList({0, 1, 2, 3, 7, 9, 10}, 0), "0-3,7,9-10");
  EXPECT_EQ(arrayList({1000, 1001, 1005}, 1000), "0-1,5");
}

}  // namespace
}  // namespace quorvel::batch
