// `quorvel batch` end to end on a simulated street of 600 lines in three tasks: the tasks' outputs
// side by side equal one unsplit run's, an interrupted batch resumes with only its missing tasks,
// and a project that cannot be read fails alone.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/wait.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <numeric>
#include <sstream>
#include <thread>

#include "tests/support/command_run.h"
#include "tests/support/ply_reader.h"
#include "tests/support/png_image.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using Bytes = std::vector<unsigned char>;

const char* const TASKS[] = {"sim-0-249", "sim-250-499", "sim-500-599"};
const int TASK_LINES[] = {250, 250, 100};
constexpr int POINTS = 181;  // the 1.0-degree set-up
const std::string OUTPUTS =
    " --dump --images range,contour --export pt3d-normal,road-ds,ply,count-map,road-height,kerbs";

test::CommandRun quorvel(const std::string& dir, const std::string& arguments) {
  return test::runCommand(dir, std::string(QUORVEL_CLI) + " " + arguments);
}

// The data of a .npy file (format 1.0), after its header.
Bytes npyData(const std::string& path) {
  const Bytes bytes = test::readFile(path);
  if (bytes.size() < 10) return {};
  const size_t header = 10 + bytes[8] + 256u * bytes[9];
  return Bytes(bytes.begin() + static_cast<ptrdiff_t>(std::min(header, bytes.size())), bytes.end());
}

// Arrays with one row per sample ([P, L, ...]): each task's part of every row, in task order.
Bytes sampleMajorJoin(const std::vector<Bytes>& parts, size_t bytesPerLine) {
  Bytes joined;
  for (size_t s = 0; s < POINTS; ++s) {
    for (size_t k = 0; k < parts.size(); ++k) {
      const size_t row = TASK_LINES[k] * bytesPerLine;
      joined.insert(joined.end(), parts[k].begin() + static_cast<ptrdiff_t>(s * row),
                    parts[k].begin() + static_cast<ptrdiff_t>((s + 1) * row));
    }
  }
  return joined;
}

Bytes concatenated(const std::vector<Bytes>& parts, size_t skip = 0) {
  Bytes joined;
  for (const Bytes& part : parts) joined.insert(joined.end(), part.begin() + skip, part.end());
  return joined;
}

// The first `width` columns of a PNG's rows.
Bytes pictureColumns(const test::PngImage& image, uint32_t first, uint32_t width) {
  Bytes columns;
  for (uint32_t y = 0; y < image.height; ++y) {
    const auto row = image.rgb.begin() + 3 * (static_cast<ptrdiff_t>(y) * image.width + first);
    columns.insert(columns.end(), row, row + 3 * width);
  }
  return columns;
}

// Each task's file `name`, whole or (read = npyData) its array data.
std::vector<Bytes> taskFiles(const std::string& batch, const std::string& name,
                             Bytes (*read)(const std::string&) = test::readFile) {
  std::vector<Bytes> parts;
  for (const char* task : TASKS) parts.push_back(read(batch + "/tasks/" + task + "/" + name));
  return parts;
}

bool isDone(const std::string& taskFolder) {
  return test::textOf(taskFolder + "/task.json").find("\"state\": \"done\"") != std::string::npos;
}

// Starts the batch and kills it, with its running task, once its first task is done; the
// records of the tasks done by then.
std::vector<std::string> interruptedBatch(const std::string& arguments, const std::string& b) {
  const pid_t batch = test::startProgram(QUORVEL_CLI, arguments, true);
  if (batch <= 0) return {};
  while (!isDone(b + "/tasks/" + TASKS[0]) && waitpid(batch, nullptr, WNOHANG) == 0) {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  kill(-batch, SIGKILL);
  waitpid(batch, nullptr, 0);
  std::vector<std::string> records;
  for (const char* task : TASKS) {
    if (isDone(b + "/tasks/" + task))
      records.push_back(test::textOf(b + "/tasks/" + task + "/task.json"));
  }
  return records;
}

// Each task's part of every output that depends only on nearby lines, put side by side, equals
// the unsplit run's.
void expectSeamless(const std::string& b, const std::string& u) {
  EXPECT_TRUE(concatenated(taskFiles(b, "linemask.npy", npyData)) == npyData(u + "/linemask.npy"));
  EXPECT_TRUE(concatenated(taskFiles(b, "surface.npy", npyData)) == npyData(u + "/surface.npy"));
  EXPECT_TRUE(sampleMajorJoin(taskFiles(b, "variance.npy", npyData), 8) ==
              npyData(u + "/variance.npy"));
  EXPECT_TRUE(sampleMajorJoin(taskFiles(b, "normal.npy", npyData), 24) ==
              npyData(u + "/normal.npy"));
  EXPECT_TRUE(concatenated(taskFiles(b, "normal.pt3d")) == test::readFile(u + "/normal.pt3d"));
  const Bytes road = test::readFile(u + "/road.ds");
  EXPECT_TRUE(concatenated(taskFiles(b, "road.ds"), 12) == Bytes(road.begin() + 12, road.end()));
  std::string lines;
  for (const Bytes& part : taskFiles(b, "linesegments.csv")) {
    lines += std::string(part.begin(), part.end()).substr(sizeof "line,first,last,lineClass");
  }
  EXPECT_EQ("line,first,last,lineClass\n" + lines, test::textOf(u + "/linesegments.csv"));
  for (const char* picture : {"range.png", "contour.png"}) {
    const test::PngImage whole = test::readPng(u + "/" + picture);
    uint32_t first = 0;
    bool same = true;
    for (size_t k = 0; k < 3; ++k) {
      const test::PngImage part = test::readPng(b + "/tasks/" + TASKS[k] + "/" + picture);
      same &= part.width == uint32_t(TASK_LINES[k]) &&
              pictureColumns(part, 0, part.width) == pictureColumns(whole, first, part.width);
      first += part.width;
    }
    EXPECT_TRUE(same) << picture;
  }
}

// The PLY points carry the drive's scan line; all but the region labels are the unsplit run's.
void expectSeamlessPly(const std::string& b, const std::string& u) {
  test::PlyCloud whole, part;
  std::string error;
  ASSERT_TRUE(test::parsePly(test::readFile(u + "/points.ply"), whole, error)) << error;
  size_t offset = 0;
  for (const Bytes& bytes : taskFiles(b, "points.ply")) {
    ASSERT_TRUE(test::parsePly(bytes, part, error)) << error;
    for (const auto& [name, values] : part.values) {
      if (name == "scalar_segment") continue;
      const auto& expected = whole.values[name];
      EXPECT_TRUE(std::equal(values.begin(), values.end(),
                             expected.begin() + static_cast<ptrdiff_t>(offset)))
          << name;
    }
    offset += part.count;
  }
  EXPECT_EQ(offset, whole.count);
}

// The kerb lines the merge joins across the tasks are the unsplit run's (their mean heights to the
// last bits of the weighted mean).
void expectSeamlessKerbs(const std::string& b, const std::string& u) {
  const nlohmann::json mosaic = nlohmann::json::parse(test::textOf(b + "/mosaic/kerbs.geojson"));
  const nlohmann::json whole = nlohmann::json::parse(test::textOf(u + "/kerbs.geojson"));
  ASSERT_EQ(mosaic["features"].size(), whole["features"].size());
  for (size_t k = 0; k < whole["features"].size(); ++k) {
    const nlohmann::json &ours = mosaic["features"][k], &theirs = whole["features"][k];
    EXPECT_EQ(ours["geometry"], theirs["geometry"]) << k;
    for (const char* key : {"side", "first_line", "last_line", "vertices"}) {
      EXPECT_EQ(ours["properties"][key], theirs["properties"][key]) << k << " " << key;
    }
    EXPECT_NEAR(ours["properties"]["mean_height"].get<double>(),
                theirs["properties"]["mean_height"].get<double>(), 1e-12);
  }
}

// A simulated street of 600 lines in three tasks. Killed once its first task is done, the batch
// runs only the missing tasks when started again; its grid is the one an unsplit run fits; then
// every output of its tasks that depends only on nearby lines, side by side, equals one unsplit
// run's.
TEST(Batch, ResumesAnInterruptedBatchAndItsTasksEqualAnUnsplitRun) {
  const std::string root = test::freshTestDir(), b = root + "/b", u = root + "/u";
  ASSERT_EQ(quorvel(root, "simulate --out " + root + " --lines 600 --setup 1.0 --seed 4").status,
            0);
  const std::string arguments =
      "batch " + root + "/sim.mdl --out " + b + " --chunk-lines 250 --jobs 1" + OUTPUTS;
  const std::vector<std::string> doneBefore = interruptedBatch(arguments, b);
  ASSERT_EQ(doneBefore.size() >= 1 && doneBefore.size() < 3, true)
      << doneBefore.size() << " tasks were done when the batch was interrupted";
  const test::CommandRun resumed = quorvel(root, arguments);
  ASSERT_EQ(resumed.status, 0) << resumed.out << resumed.err;
  EXPECT_NE(resumed.out.find("Running " + std::to_string(3 - doneBefore.size()) + " of 3 tasks"),
            std::string::npos)
      << resumed.out;
  EXPECT_EQ(test::textOf(b + "/tasks/" + TASKS[0] + "/task.json"), doneBefore[0]) << "ran again";
  const test::CommandRun run = quorvel(root, "run " + root + "/sim.mdl --out " + u + OUTPUTS +
                                                 " --map-template " + b + "/grid.master");
  ASSERT_EQ(run.status, 0) << run.err;
  ASSERT_EQ(
      quorvel(root, "run " + root + "/sim.mdl --out " + root + "/g --export count-map").status, 0);
  EXPECT_EQ(test::textOf(b + "/grid.master"), test::textOf(root + "/g/map-h.master"));
  expectSeamless(b, u);
  expectSeamlessPly(b, u);
  expectSeamlessKerbs(b, u);
}

// Three projects, the second with a DS header of no accepted set-up: the others are done, the
// failure is in its task's record and in the summary, and the batch exits with 1; so does the
// task when Slurm starts it again. Another plan for the same folder is refused.
TEST(Batch, AProjectThatCannotBeReadFailsAlone) {
  const std::string root = test::freshTestDir();
  const std::string good = root + "/p", damaged = root + "/q2", small = root + "/q3",
                    f = root + "/f";
  ASSERT_EQ(quorvel(root, "simulate --out " + good + " --lines 120 --seed 4").status, 0);
  ASSERT_EQ(quorvel(root, "simulate --out " + small + " --lines 50 --seed 9").status, 0);
  std::filesystem::create_directories(damaged);
  for (const char* name : {"sim.mdl", "sim.cal"}) {
    std::filesystem::copy_file(good + "/" + name, damaged + "/" + name);
  }
  Bytes ds = test::readFile(good + "/sim.ds");
  const float resolution = 2.0f;
  std::memcpy(ds.data() + 4, &resolution, sizeof resolution);
  test::writeFile(damaged + "/sim.ds", ds);
  const std::string arguments = "batch " + good + "/sim.mdl " + damaged + "/sim.mdl " + small +
                                "/sim.mdl --out " + f + " --export pt3d-normal --chunk-lines ";
  const test::CommandRun batch = quorvel(root, arguments + "200");
  EXPECT_EQ(batch.status, 1);
  EXPECT_NE(batch.out.find(": 2 of 3 tasks done, 1 failed\n  failed tasks/sim.2-0-0: Load Ds file "
                           "failure.: " +
                           damaged + "/./sim.ds (unsupported set-up"),
            std::string::npos)
      << batch.out;
  EXPECT_TRUE(isDone(f + "/tasks/sim-0-119") && isDone(f + "/tasks/sim.3-0-49"));
  EXPECT_NE(test::textOf(f + "/tasks/sim.2-0-0/task.json").find("Load Ds file failure."),
            std::string::npos);
  EXPECT_EQ(
      test::runCommand(root, std::string("SLURM_ARRAY_TASK_ID=1 ") + QUORVEL_CLI + " task " + f)
          .status,
      1);  // the array's element 1 is the damaged project's task
  EXPECT_EQ(quorvel(root, arguments + "100").status, 2);
}

// A drive with one line 10^7 away and a healthy one. Planned as they are, the batch names the
// drive and the line that blow its grid up before any task runs, and the glitched task fails
// naming the line. With --drop-pose-glitches both are done, their records and the report name
// the glitch, and the mosaic (read by GDAL) holds every count of both tasks' rasters.
TEST(Batch, AGlitchedDriveIsNamedBeforeAnyTaskRunsAndDroppedOnRequest) {
  const std::string root = test::freshTestDir(), g = root + "/g", h = root + "/h";
  ASSERT_EQ(quorvel(root, "simulate --out " + g + " --lines 120 --setup 1.0 --seed 4").status, 0);
  ASSERT_EQ(quorvel(root, "simulate --out " + h + " --lines 120 --setup 1.0 --seed 9").status, 0);
  Bytes ds = test::readFile(g + "/sim.ds");
  double x;
  std::memcpy(&x, &ds[12 + 260 * 414 + 24], 8);
  x += 1e7;
  std::memcpy(&ds[12 + 260 * 414 + 24], &x, 8);  // line 60
  test::writeFile(g + "/sim.ds", ds);
  const std::string batch =
      "batch " + g + "/sim.mdl " + h + "/sim.mdl --export count-map --jobs 1 --out " + root;
  const test::CommandRun kept = quorvel(root, batch + "/kept");
  EXPECT_EQ(kept.status, 1);
  EXPECT_NE(kept.err.find("Batch grid warning: " + root + "/kept/grid.master (100000040 x "),
            std::string::npos)
      << kept.err;
  EXPECT_NE(kept.err.find("project sim (" + g +
                          "/sim.mdl) spreads over the most; farthest from "
                          "the middle of the drive: scan lines 60 (10000000), "),
            std::string::npos)
      << kept.err;
  EXPECT_NE(kept.out.find("failed tasks/sim-0-119: Export count-map failure."), std::string::npos);
  const test::CommandRun dropped = quorvel(root, batch + "/dropped --drop-pose-glitches");
  ASSERT_EQ(dropped.status, 0) << dropped.out << dropped.err;
  const std::string faults =
      "\"poseFaults\": {\n    \"cutRecord\": null,\n    \"glitches\": [\n      [\n        60,";
  EXPECT_NE(test::textOf(root + "/dropped/tasks/sim-0-119/task.json").find(faults),
            std::string::npos);
  EXPECT_NE(test::textOf(root + "/dropped/report.json").find("\"task\": \"tasks/sim-0-119\""),
            std::string::npos);
  const auto sum = [](const Bytes& cells) {
    return std::accumulate(cells.begin(), cells.end(), 0L);
  };
  const long first = sum(test::readFile(root + "/dropped/tasks/sim-0-119/map-h.raw"));
  const long second = sum(test::readFile(root + "/dropped/tasks/sim.2-0-119/map-h.raw"));
  EXPECT_TRUE(first > 0 && second > 0);
  const std::string cells = root + "/dropped/map-h.cells";
  ASSERT_EQ(test::runCommand(
                root, "gdal_translate -q -of ENVI " + root + "/dropped/mosaic/map-h.tif " + cells)
                .status,
            0);
  EXPECT_EQ(sum(test::readFile(cells)), first + second);
}

}  // namespace
}  // namespace quorvel
