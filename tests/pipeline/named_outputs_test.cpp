// The outputs table against what its entries write: every output, written from a small simulated
// drive into a fresh folder, writes exactly the files its entry names, each whole, after the
// stages its entry says it reads (the stages run here from those needs alone).
#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

#include "pipeline/named_outputs.h"
#include "tests/support/simulated_scan.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

bool runNeeded(const ProjectRecords& project, const StageNeeds& needs) {
  return (!needs.surface || runSurfaceEstimation(project)) &&
         (!needs.lines || runLineSegmentation(project)) &&
         (!needs.regions || runRegionSegmentation(project)) &&
         (!needs.classes || runSurfaceClassification(project));
}

TEST(NamedOutputs, EveryOutputWritesTheFilesItsEntryNamesAfterTheStagesItReads) {
  const std::string root = test::freshTestDir();
  const std::string mdl = test::simulatedProjectFiles(root + "/sim", 60);
  ASSERT_FALSE(mdl.empty());
  std::vector<std::string> names;
  for (OutputKind kind : {OutputKind::Picture, OutputKind::Dump, OutputKind::Export}) {
    for (const std::string& name : outputNames(kind)) names.push_back(name);
  }
  EXPECT_EQ(names.size(), 20u);
  for (const std::string& name : names) {
    Project project;  // fresh: only the stages the entry names have run
    ProjectLoadFailure failure;
    ASSERT_TRUE(loadProject(project.records(), mdl, failure)) << failure.reason;
    ASSERT_TRUE(runNeeded(project.records(), outputNeeds(name))) << name;
    OutputRequest request;
    request.folder = root + "/" + name;
    std::filesystem::create_directories(request.folder);
    std::ostringstream timings;
    StageTimer timer(timings, false);
    WrittenOutput written;
    FailureMessage message;
    ASSERT_TRUE(writeOutput(project.records(), name, request, timer, written, message))
        << name << ": " << message.text << " " << message.caption << " " << message.reason;
    std::vector<std::string> expected;
    for (const std::string& file : outputFiles(name))
      expected.push_back(request.folder + "/" + file);
    EXPECT_EQ(written.files, expected) << name;
    size_t onDisk = 0;
    for (const auto& entry : std::filesystem::directory_iterator(request.folder)) {
      onDisk += entry.is_regular_file() && entry.file_size() > 0;
    }
    EXPECT_EQ(onDisk, expected.size()) << name << ": files besides its own, or empty ones";
  }
}

}  // namespace
}  // namespace quorvel
