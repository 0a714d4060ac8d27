// `quorvel run` on a full disk and killed in the middle of its exports: every file of an earlier
// complete run survives byte for byte, and nothing half written is left under a real name.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <chrono>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "scan/output_file.h"
#include "tests/support/command_run.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

const std::string EVERY_OUTPUT =
    " --images all --dump --export "
    "pt3d-normal,pt3d-class,count-map,road-height,road-ds,nonroad-ds,ply,las,geotiff,kerbs";

using Snapshot = std::map<std::string, std::vector<unsigned char>>;

Snapshot snapshotOf(const std::string& dir) {
  Snapshot files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    files[entry.path().filename().string()] = test::readFile(entry.path().string());
  }
  return files;
}

size_t countOf(const std::string& text, const std::string& part) {
  size_t count = 0;
  for (size_t at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) {
    ++count;
  }
  return count;
}

class DurableOutputs : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::freshTestDir();
    out = dir + "/out";
    const test::CommandRun simulate = quorvel("simulate --out " + dir + " --lines 300 --seed 5");
    ASSERT_EQ(simulate.status, 0) << simulate.err;
  }

  test::CommandRun quorvel(const std::string& arguments) {
    return test::runCommand(dir, std::string(QUORVEL_CLI) + " " + arguments);
  }

  std::string dir, out;
};

// The full disk is a file size limit of 0 with SIGXFSZ ignored: every write fails with "File too
// large". The run tries every output and reports each failure (the dump in its three parts).
TEST_F(DurableOutputs, OnAFullDiskEveryOutputFailsAndThePreviousFilesStay) {
  const test::CommandRun complete = quorvel("run " + dir + "/sim.mdl --out " + out + EVERY_OUTPUT);
  ASSERT_EQ(complete.status, 0) << complete.err;
  const Snapshot before = snapshotOf(out);
  const test::CommandRun full = test::runCommand(
      dir, "sh -c \"trap '' XFSZ; ulimit -f 0; " + std::string(QUORVEL_CLI) + " run " + dir +
               "/sim.mdl --out " + out + EVERY_OUTPUT + " 2>&1; echo exit \\$?\" | cat");
  EXPECT_NE(full.out.find("\nexit 1\n"), std::string::npos) << full.out;
  EXPECT_EQ(full.out.find("Wrote"), std::string::npos) << full.out;
  EXPECT_EQ(countOf(full.out, "failure.: "), 6u + 3u + 10u) << full.out;
  EXPECT_EQ(countOf(full.out, " (File too large)\n"), 6u + 3u + 10u) << full.out;
  EXPECT_NE(full.out.find("Export road-ds failure.: " + out + "/road.ds (File too large)\n"),
            std::string::npos)
      << full.out;
  EXPECT_NE(full.out.find("Picture output failure.: " + out + "/range.png (File too large)\n"),
            std::string::npos)
      << full.out;
  EXPECT_TRUE(snapshotOf(out) == before) << "a previous file changed or a temporary file remains";
}

// Starts `quorvel ARGUMENTS` (words without blanks) and kills it with SIGKILL as soon as a
// temporary file in folder holds bytes; false when the run ended before.
bool killWhileWriting(const std::string& arguments, const std::string& folder) {
  const pid_t child = test::startProgram(QUORVEL_CLI, arguments, false);
  if (child <= 0) return false;
  bool seen = false;
  while (!seen && waitpid(child, nullptr, WNOHANG) == 0) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
      std::error_code error;
      seen |= entry.path().filename().string().ends_with(TEMPORARY_SUFFIX) &&
              std::filesystem::file_size(entry, error) > 0;
    }
    if (!seen) std::this_thread::sleep_for(std::chrono::microseconds(200));
  }
  if (seen) {
    kill(child, SIGKILL);
    waitpid(child, nullptr, 0);
  }
  return seen;
}

// Killed in the middle of its exports, the run leaves every target as it was; its temporary
// file stays until the next run writes the same target.
TEST_F(DurableOutputs, AKilledRunLeavesThePreviousFilesAndTheNextRunCleansUp) {
  const std::string exports = " --export pt3d-normal,pt3d-class,las";
  const std::string run = "run " + dir + "/sim.mdl --out " + out + exports;
  ASSERT_EQ(quorvel(run).status, 0);
  const Snapshot complete = snapshotOf(out);
  ASSERT_TRUE(killWhileWriting(run, out)) << "the run ended before a temporary file was seen";
  Snapshot killed = snapshotOf(out);
  size_t temporaries = std::erase_if(
      killed, [](const auto& file) { return file.first.ends_with(TEMPORARY_SUFFIX); });
  EXPECT_EQ(temporaries, 1u);
  EXPECT_TRUE(killed == complete) << "a previous file changed";
  ASSERT_EQ(quorvel(run).status, 0);
  EXPECT_TRUE(snapshotOf(out) == complete) << "the rerun is complete and left no temporary file";
}

}  // namespace
}  // namespace quorvel
