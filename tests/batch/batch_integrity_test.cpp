// What a batch trusts: a task is done only for the inputs, options and grid it was computed from;
// the plan and the grid are checked before anything is computed or written from them; a drive is
// one drive; an empty chunk is done; two runners of one folder never run a task twice. Each row
// is a short scenario on small simulated drives (300 and 200 lines at 1 degree).
#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <future>
#include <nlohmann/json.hpp>
#include <regex>

#include "batch/grid.h"
#include "tests/support/command_run.h"
#include "tests/support/simulated_scan.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class BatchIntegrity : public ::testing::Test {
 protected:
  void SetUp() override {
    root = test::freshTestDir();
    a = test::simulatedProjectFiles(root + "/a", 300);
    b = test::simulatedProjectFiles(root + "/b", 200);
    ASSERT_FALSE(a.empty() || b.empty());
  }
  test::CommandRun quorvel(const std::string& arguments) {
    return test::runCommand(root, std::string(QUORVEL_CLI) + " " + arguments);
  }
  test::CommandRun batch(const std::string& exports, const std::string& more = "") {
    return quorvel("batch " + a + " " + b + " --out " + root + "/B --chunk-lines 100 --jobs 2" +
                   " --export " + exports + more);
  }
  json record(const std::string& task) {
    return json::parse(test::textOf(root + "/B/tasks/" + task + "/task.json"));
  }
  std::string root, a, b;
};

void expectRun(const test::CommandRun& run, int status, const std::string& text) {
  EXPECT_EQ(run.status, status) << run.out << run.err;
  EXPECT_NE((run.out + run.err).find(text), std::string::npos) << run.out << run.err;
}

// A drive whose DS file is being copied while the batch is planned fails until the batch runs
// again, which plans it then; its tasks cover all its lines.
TEST_F(BatchIntegrity, ADriveUnreadableAtPlanningIsPlannedWhenItCanBeRead) {
  fs::rename(root + "/b/sim.ds", root + "/b/sim.ds.copying");
  expectRun(batch("las"), 1, "could not be read when the batch was planned");
  fs::rename(root + "/b/sim.ds.copying", root + "/b/sim.ds");
  expectRun(batch("las"), 0, "Running 2 of 5 tasks");
  EXPECT_EQ(record("sim.2-100-199")["state"], "done");
}

// grid.master missing, emptied or not the planned one: task and merge refuse before touching
// anything; a task whose raster lies off the grid is not done, and never written out of bounds
// (the sanitizer build runs this too).
TEST_F(BatchIntegrity, TheGridIsCheckedBeforeATaskOrTheMergeReadsIt) {
  ASSERT_EQ(batch("count-map").status, 0);
  const std::string grid = root + "/B/grid.master", mosaic = root + "/B/mosaic/map-h.tif";
  const auto before = test::readFile(mosaic);
  fs::rename(grid, root + "/g");
  expectRun(quorvel("task " + root + "/B 1"), 1, "Batch grid failure.");
  fs::rename(root + "/g", grid);
  test::writeFile(grid, "");
  expectRun(quorvel("merge " + root + "/B"), 1, "not the map grid the batch was planned with");
  EXPECT_TRUE(test::readFile(mosaic) == before);
  EXPECT_FALSE(fs::exists(root + "/B/mosaic/map-r.tif")) << "only the mosaics asked for";
  fs::remove(grid);
  ASSERT_EQ(batch("count-map").status, 0) << "the grid is made again as planned";
  // A narrower grid that the plan and the records agree on: the rasters no longer fit.
  std::string narrow =
      std::regex_replace(test::textOf(grid), std::regex("width\\s+\\d+"), "width\t39");
  test::writeFile(grid, narrow);
  json plan = json::parse(test::textOf(root + "/B/batch.json"));
  plan["grid"] = batch::gridFingerprint(narrow);
  test::writeFile(root + "/B/batch.json", plan.dump());
  for (const auto& task : fs::directory_iterator(root + "/B/tasks")) {
    json done = json::parse(test::textOf(task.path().string() + "/task.json"));
    done["grid"] = plan["grid"];
    test::writeFile(task.path().string() + "/task.json", done.dump());
  }
  expectRun(quorvel("merge " + root + "/B"), 1, "its map-h raster lies off the grid");
}

// A done task is done for its options and inputs: more outputs, or another drive of the same
// name and size, run it again; a touched file does not.
TEST_F(BatchIntegrity, ATaskRunsAgainWhenItsOptionsOrInputsChanged) {
  ASSERT_EQ(batch("pt3d-normal").status, 0);
  fs::remove(root + "/B/batch.json");
  expectRun(batch("pt3d-normal,las"), 0, "output options changed since its task ran");
  EXPECT_TRUE(fs::exists(root + "/B/tasks/sim-200-299/points.las"));
  ASSERT_FALSE(test::simulatedProjectFiles(root + "/b", 200, 5).empty());
  expectRun(batch("pt3d-normal,las"), 0, "sim.2-0-99 runs again: DS file changed");
  fs::last_write_time(root + "/a/sim.ds", fs::file_time_type::clock::now());
  expectRun(batch("pt3d-normal,las"), 0, "Running 0 of 5 tasks");
  expectRun(quorvel("batch " + a + " " + root + "/a/../a/sim.mdl --out " + root + "/C"), 2,
            "the same drive twice");
}

// A chunk without returns (a tunnel) is done without its rasters; only the mosaics asked for are
// made; the figures are of this run; a task run by hand replaces its log; a task claimed by
// another process is left to it.
TEST_F(BatchIntegrity, EmptyChunksFiguresLogsAndClaims) {
  std::vector<unsigned char> ds = test::readFile(root + "/b/sim.ds");
  const size_t bytes = 52 + 2 * 181, first = 12 + 300 * bytes;  // lines 100 ... 199
  for (size_t at = first; at < ds.size(); at += bytes) {
    std::fill(ds.begin() + static_cast<ptrdiff_t>(at + 52),
              ds.begin() + static_cast<ptrdiff_t>(at + bytes), 0);
  }
  test::writeFile(root + "/b/sim.ds", ds);
  expectRun(batch("count-map,road-height"), 0, "This run: 5 tasks");
  EXPECT_EQ(record("sim.2-100-199")["notes"].size(), 2u);
  expectRun(batch("count-map,road-height", " --chunk-lines 0"), 2, "at least 1");
  fs::remove(root + "/B/tasks/sim-0-99/task.json");
  expectRun(batch("count-map,road-height"), 0, "This run: 1 tasks");
  test::writeFile(root + "/B/tasks/sim-0-99/task.log", "an old run\n");
  fs::remove(root + "/B/tasks/sim-0-99/task.json");
  ASSERT_EQ(quorvel("task " + root + "/B 0").status, 0);
  EXPECT_EQ(test::textOf(root + "/B/tasks/sim-0-99/task.log").find("an old run"),
            std::string::npos);
  const int fd = open((root + "/B/tasks/sim-0-99/task.lock").c_str(), O_RDWR);
  struct flock lock {};
  lock.l_type = F_WRLCK;
  ASSERT_EQ(fcntl(fd, F_SETLK, &lock), 0);
  // The claim is this test process's: another process sees it held.
  expectRun(quorvel("task " + root + "/B 0"), 3, "running elsewhere");
  close(fd);
  expectRun(quorvel("task " + root + "/B 0"), 3, "done already");
}

// Two batches started at once on one folder: each task runs once (the tasks each runner ran add
// up to the plan's), both succeed, and the mosaic is one batch's.
TEST_F(BatchIntegrity, TwoRunnersOfOneFolderRunEachTaskOnce) {
  auto first = std::async(std::launch::async, [&] { return batch("count-map"); });
  const test::CommandRun second = batch("count-map");
  const test::CommandRun one = first.get();
  int ran = 0;
  for (const test::CommandRun& run : {one, second}) {
    EXPECT_EQ(run.status, 0) << run.out << run.err;
    std::smatch tasks;
    if (std::regex_search(run.out, tasks, std::regex("This run: (\\d+) tasks"))) {
      ran += std::stoi(tasks[1]);
    }
  }
  EXPECT_EQ(ran, 5);
  const auto mosaic = test::readFile(root + "/B/mosaic/map-h.tif");
  fs::remove_all(root + "/B");
  ASSERT_EQ(batch("count-map").status, 0);
  EXPECT_TRUE(test::readFile(root + "/B/mosaic/map-h.tif") == mosaic);
}

}  // namespace
}  // namespace quorvel
