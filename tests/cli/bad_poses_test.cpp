// Drives with damaged poses, end to end: one table over the kinds of damage done to records of a
// simulated street. Each damaged drive runs `quorvel run` with every point export, both maps and
// the dumps; where its damaged lines must give no points, every one of those files equals the
// run of the same drive whose damaged lines have no ranges instead (the maps thus have the
// healthy lines' extent). Every case checks the exit status and the messages, that no point file
// holds a coordinate that is not finite, and that LAS coordinates lie within the header's bounds.
// Last, the lines away from a damaged one equal the undamaged drive's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <functional>
#include <limits>
#include <map>
#include <string>
#include <vector>

#include "scan/content_hash.h"
#include "tests/support/command_run.h"
#include "tests/support/ply_reader.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr size_t LINES = 100, POINTS = 181, RECORD = 414;
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();
const char* const OUTPUTS = "pt3d-normal,pt3d-class,count-map,road-height,ply,las";
const char* const COMPARED[] = {"normal.pt3d",  "class.pt3d",      "points.ply",   "points.las",
                                "map-h.master", "map-h.raw",       "map-r.master", "map-r.raw",
                                "variance.npy", "normal.npy",      "labels.npy",   "linemask.npy",
                                "segments.csv", "linesegments.csv"};

size_t recordAt(size_t line) {
  return 12 + (200 + line) * RECORD;
}

// Field 0 ... 2 the attitude, 3 ... 5 the position.
void setPose(Bytes& ds, size_t line, int field, double value) {
  std::memcpy(&ds[recordAt(line) + 8 * static_cast<size_t>(field)], &value, 8);
}

void movePosition(Bytes& ds, size_t first, size_t count, double dx) {
  for (size_t line = first; line < first + count; ++line) {
    double x;
    std::memcpy(&x, &ds[recordAt(line) + 24], 8);
    setPose(ds, line, 3, x + dx);
  }
}

// The drive with the ranges of lines first ... first + count - 1 from sample `from` on zero.
Bytes withoutRanges(Bytes ds, size_t first, size_t count, size_t from = 0) {
  for (size_t line = first; line < first + count; ++line) {
    std::fill_n(ds.begin() + long(recordAt(line) + 52 + 2 * from), 2 * (POINTS - from), 0);
  }
  return ds;
}

struct Damage {
  const char* name;
  std::function<void(Bytes&)> damage;
  std::function<Bytes(const Bytes&)> blanked;  // the drive it must equal; none: no such drive
  bool drop;                                   // --drop-pose-glitches
  int status;
  std::vector<std::string> messages;  // on standard error
};

std::string runQuorvel(const std::string& dir, const std::string& arguments, int& status) {
  const test::CommandRun run = test::runCommand(dir, std::string(QUORVEL_CLI) + " " + arguments);
  status = run.status;
  return run.err;
}

void writeDrive(const std::string& from, const std::string& dir, const Bytes& ds) {
  std::filesystem::create_directories(dir);
  for (const char* file : {"sim.mdl", "sim.cal"}) {
    std::filesystem::copy_file(from + "/" + file, dir + "/" + file);
  }
  test::writeFile(dir + "/sim.ds", ds);
}

double at(const Bytes& bytes, size_t offset) {
  double value;
  std::memcpy(&value, &bytes[offset], 8);
  return value;
}

// No coordinate that is not finite in the point files; LAS coordinates within the header's
// bounds.
void checkPointFiles(const std::string& out) {
  const Bytes pt3d = test::readFile(out + "/class.pt3d");
  for (size_t record = 0; record + 32 <= pt3d.size(); record += 32) {
    for (size_t axis = 0; axis < 3; ++axis) ASSERT_TRUE(std::isfinite(at(pt3d, record + 8 * axis)));
  }
  test::PlyCloud cloud;
  std::string error;
  ASSERT_TRUE(test::parsePly(test::readFile(out + "/points.ply"), cloud, error)) << error;
  for (const char* axis : {"x", "y", "z"}) {
    for (double value : cloud.values[axis]) ASSERT_TRUE(std::isfinite(value));
  }
  const Bytes las = test::readFile(out + "/points.las");
  if (las.empty()) return;
  uint32_t dataOffset;
  std::memcpy(&dataOffset, &las[96], 4);
  for (size_t record = dataOffset; record + 36 <= las.size(); record += 36) {
    for (size_t axis = 0; axis < 3; ++axis) {
      int32_t stored;
      std::memcpy(&stored, &las[record + 4 * axis], 4);
      const double value = stored * at(las, 131 + 8 * axis) + at(las, 155 + 8 * axis);
      ASSERT_LE(value, at(las, 179 + 16 * axis) + 1e-9);
      ASSERT_GE(value, at(las, 187 + 16 * axis) - 1e-9);
    }
  }
}

// A simulated street of 100 lines of the 1-degree set-up in a fresh folder.
class BadPoses : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::freshTestDir();
    int status;
    runQuorvel(dir, "simulate --out " + dir + "/healthy --lines 100 --setup 1.0 --seed 2", status);
    ASSERT_EQ(status, 0);
  }
  Bytes healthy() const { return test::readFile(dir + "/healthy/sim.ds"); }

  // Runs the drive in dir/NAME (with the options given, or every output) and returns its
  // standard error.
  std::string run(const std::string& name, const Bytes& ds, bool drop, int& status) const {
    writeDrive(dir + "/healthy", dir + "/" + name, ds);
    return runQuorvel(dir,
                      "run " + dir + "/" + name + "/sim.mdl --out " + dir + "/" + name +
                          "/out --quiet --dump --export " + OUTPUTS +
                          (drop ? " --drop-pose-glitches" : ""),
                      status);
  }
  std::string dir;
};

TEST_F(BadPoses, DamagedLinesGiveNoPointsAndTheRestIsAsWithoutThem) {
  const auto blank = [](size_t first, size_t count) {
    return [=](const Bytes& ds) { return withoutRanges(ds, first, count); };
  };
  const std::string noPoints = "with a pose that is not finite, without points: ";
  const std::string kept = "of pose glitches, kept (--drop-pose-glitches leaves them out): ";
  const std::string dropped = "of pose glitches, left out (--drop-pose-glitches): ";
  const std::vector<Damage> cases = {
      {"nanX",
       [](Bytes& ds) { setPose(ds, 50, 3, NaN); },
       blank(50, 1),
       false,
       0,
       {"Pose warning: ", "/nanX/sim.mdl (1 line " + noPoints + "50 (1 line))"}},
      {"infAttitude",
       [](Bytes& ds) { setPose(ds, 50, 1, INFINITY); },
       blank(50, 1),
       false,
       0,
       {"(1 line " + noPoints + "50 (1 line))"}},
      {"minusInfZ",
       [](Bytes& ds) { setPose(ds, 50, 5, -INFINITY); },
       blank(50, 1),
       true,
       0,
       {"(1 line " + noPoints + "50 (1 line))"}},
      {"glitchKept",
       [](Bytes& ds) { movePosition(ds, 50, 1, 1e7); },
       nullptr,
       false,
       1,
       {"(1 line " + kept + "50 (1 line))", "Export count-map failure.",
        "map raster too large: 100000088 x 176 cells",
        "; farthest from the middle of the drive: scan lines 50 (10000000), 99 (",
        "; --drop-pose-glitches leaves out pose glitches)", "Export road-height failure.",
        "Export las failure.", "x 10000025.233 at scan line 50, sample 180"}},
      {"glitchDropped",
       [](Bytes& ds) { movePosition(ds, 50, 1, 1e7); },
       blank(50, 1),
       true,
       0,
       {"(1 line " + dropped + "50 (1 line))"}},
      {"runOfThree",
       [](Bytes& ds) { movePosition(ds, 50, 3, -1e7); },
       blank(50, 3),
       true,
       0,
       {"(3 lines " + dropped + "50 (3 lines))"}},
      {"firstLine",
       [](Bytes& ds) { movePosition(ds, 0, 1, 1e7); },
       blank(0, 1),
       true,
       0,
       {"(1 line " + dropped + "0 (1 line))"}},
      {"lastLine",
       [](Bytes& ds) { movePosition(ds, 99, 1, 1e7); },
       blank(99, 1),
       true,
       0,
       {"(1 line " + dropped + "99 (1 line))"}},
      {"allNonFinite",
       [](Bytes& ds) {
         for (size_t line = 0; line < LINES; ++line) setPose(ds, line, 0, NaN);
       },
       blank(0, LINES),
       false,
       1,
       {"(100 lines " + noPoints + "0 (100 lines))"}},
      {"cutInsidePose",
       [](Bytes& ds) { ds.resize(ds.size() - RECORD + 40); },
       blank(99, 1),
       false,
       0,
       {"(the file ends inside a record: 99 whole records after the 200 skipped, 40 of 414 "
        "bytes of the next left over (its pose is cut: line 99 gives no points))"}},
      {"cutInsideRanges",
       [](Bytes& ds) { ds.resize(ds.size() - RECORD + 152); },
       [](const Bytes& ds) { return withoutRanges(ds, 99, 1, 50); },
       false,
       0,
       {"152 of 414 bytes of the next left over (its pose is whole: line 99 stays, missing "
        "ranges 0)"}},
  };
  std::map<uint64_t, std::pair<std::string, int>> blankedRuns;  // by hash: folder, exit status
  for (const Damage& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes ds = healthy();
    c.damage(ds);
    int status;
    const std::string err = run(c.name, ds, c.drop, status);
    EXPECT_EQ(status, c.status) << err;
    for (const std::string& message : c.messages) {
      EXPECT_NE(err.find(message), std::string::npos) << message << "\n" << err;
    }
    EXPECT_EQ(err.find("Pose warning"), err.rfind("Pose warning")) << "one warning";
    checkPointFiles(dir + "/" + c.name + "/out");
    if (!c.blanked) continue;
    const Bytes blanked = c.blanked(healthy());
    const uint64_t key = fnv1a(blanked);
    if (!blankedRuns.contains(key)) {  // run once for the cases that share it
      int blankedStatus;
      const std::string name = std::string(c.name) + "-blanked";
      run(name, blanked, false, blankedStatus);
      blankedRuns[key] = {name, blankedStatus};
    }
    const auto& [blankedName, blankedStatus] = blankedRuns[key];
    EXPECT_EQ(blankedStatus, status);
    for (const char* file : COMPARED) {
      EXPECT_TRUE(test::readFile(dir + "/" + c.name + "/out/" + file) ==
                  test::readFile(dir + "/" + blankedName + "/out/" + file))
          << file;
    }
  }
}

// The line segmentation of every other line, and the surface estimation beyond the four lines
// on each side it looks at, are the undamaged drive's.
TEST_F(BadPoses, LinesAwayFromADamagedOneAreAsInTheUndamagedDrive) {
  Bytes ds = healthy();
  setPose(ds, 50, 3, NaN);
  int status;
  run("away", ds, false, status);
  ASSERT_EQ(status, 0);
  run("undamaged", healthy(), false, status);
  ASSERT_EQ(status, 0);
  const auto data = [](const std::string& path) {
    const Bytes bytes = test::readFile(path);
    return Bytes(bytes.begin() + 10 + bytes[8] + 256 * bytes[9], bytes.end());
  };
  const Bytes mask = data(dir + "/away/out/linemask.npy");
  const Bytes healthyMask = data(dir + "/undamaged/out/linemask.npy");
  const Bytes variance = data(dir + "/away/out/variance.npy");
  const Bytes healthyVariance = data(dir + "/undamaged/out/variance.npy");
  ASSERT_EQ(mask.size(), LINES * POINTS);
  ASSERT_EQ(variance.size(), LINES * POINTS * 8);
  for (size_t line = 0; line < LINES; ++line) {
    const bool nearby = line + 4 >= 50 && line <= 54;
    const size_t row = line * POINTS;
    EXPECT_EQ(std::equal(&mask[row], &mask[row] + POINTS, &healthyMask[row]), line != 50) << line;
    bool sameVariance = true;
    for (size_t s = 0; s < POINTS; ++s) {
      const size_t at = 8 * (s * LINES + line);
      sameVariance &= std::memcmp(&variance[at], &healthyVariance[at], 8) == 0;
    }
    EXPECT_TRUE(sameVariance || nearby) << line;
  }
}

}  // namespace
}  // namespace quorvel
