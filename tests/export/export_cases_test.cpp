// The cases every export shares, in one table over the eight exports: the input it names when a
// result is missing, what it writes without scan lines, the path buffer, and an unwritable
// folder; whatever fails writes nothing. Then what the drives do not show of the point exports:
// a batch task's first scan line, the PLY header comments, the LAS extent limit, and the
// one-dimensional .npy header.
#include <gtest/gtest.h>

#include <array>
#include <cfloat>
#include <cstring>
#include <filesystem>

#include "export/count_map_export.h"
#include "export/ds_export.h"
#include "export/las_export.h"
#include "export/npy_file.h"
#include "export/ply_export.h"
#include "export/pt3d_export.h"
#include "export/road_height_export.h"
#include "scan/ds_file.h"
#include "tests/export/placed_points.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using Run = Status (*)(const ExportSources&, const std::string&);

struct ExportCase {
  const char* name;
  ExportKind kind;
  Run run;
  // The input named without the VarianceMap, NormalMap, LineSegmentMask, LabelMap, SegmentTable
  // or surface classes; nullptr where the export does not need it.
  std::array<const char*, 6> missing;
  long emptyBytes;  // the file written without scan lines; -1: fails
  bool map;         // a path of 259 characters leaves no room for the map file names
};

// The exports with the arguments besides sources and path fixed.
struct Runs {
  using S = const ExportSources&;
  using P = const std::string&;
  static Status count(S s, P p) { return exportCountMap(s, p, ""); }
  static Status road(S s, P p) { return exportRoadHeightMap(s, p, ""); }
  static Status roadDs(S s, P p) { return exportSelectedDs(s, p, RoadSelection::Road); }
  static Status nonRoadDs(S s, P p) { return exportSelectedDs(s, p, RoadSelection::NonRoad); }
  static Status ply(S s, P p) { return exportPly(s, "p", p); }
};

constexpr const char *V = "VarianceMap", *M = "LineSegger", *R = "Segment Regions",
                     *C = "classifySurfaces";
constexpr long DS = DS_HEADER_SIZE, LAS = LAS_HEADER_SIZE;

const ExportCase EXPORTS[] = {
    {"Pt3dByNormal", ExportKind::Pt3dByNormal, exportPt3dByNormal, {V, V, 0, 0, 0, 0}, 0, false},
    {"Pt3dByClass", ExportKind::Pt3dByClass, exportPt3dByClass, {V, V, M, 0, 0, 0}, 0, false},
    {"CountMap", ExportKind::CountMap, Runs::count, {0, 0, M, 0, 0, 0}, -1, true},
    {"RoadHeightMap", ExportKind::RoadHeightMap, Runs::road, {0, 0, M, 0, 0, 0}, -1, true},
    {"RoadDs", ExportKind::RoadDs, Runs::roadDs, {0, 0, M, 0, 0, 0}, DS, false},
    {"NonRoadDs", ExportKind::NonRoadDs, Runs::nonRoadDs, {0, 0, M, 0, 0, 0}, DS, false},
    {"Ply", ExportKind::Ply, Runs::ply, {V, V, M, R, R, C}, 498, false},
    {"Las", ExportKind::Las, exportLas, {V, V, M, 0, 0, C}, LAS, false},
};

// Road points of two heights on the even lines (a road height range), others between.
test::PlacedScan fourPoints() {
  return test::placedScan({{{1, 2, 0.0}, 2}, {{2, 2, 0.5}, 8}, {{3, 4, 1.0}, 2}, {{4, 4, 0.0}, 1}});
}

class EveryExport : public ::testing::TestWithParam<ExportCase> {};

TEST_P(EveryExport, NamesTheMissingInputAndWritesNothing) {
  const std::array<void (*)(ScanStore&), 6> drops = {[](ScanStore& s) { s.varianceMap.reset(); },
                                                     [](ScanStore& s) { s.normalMap.reset(); },
                                                     [](ScanStore& s) { s.lineSegmentMask.reset(); },
                                                     [](ScanStore& s) { s.labelMap.reset(); },
                                                     [](ScanStore& s) { s.segmentTable.reset(); },
                                                     [](ScanStore& s) { s.surfaceClassMap.reset(); }};
  for (size_t i = 0; i < drops.size(); ++i) {
    SCOPED_TRACE(i);
    test::PlacedScan scan = fourPoints();
    drops[i](scan.store);
    const char* missing = GetParam().missing[i];
    EXPECT_STREQ(missingExportInput(scan.store, GetParam().kind), missing);
    const std::string dir = test::freshTestDir();
    const Status status = GetParam().run(scan.sources(), dir + "/out.x");
    EXPECT_EQ(status.reason,
              missing ? std::string("input not computed yet; run ") + missing + " first" : "");
    EXPECT_EQ(std::filesystem::is_empty(dir), missing != nullptr);
  }
}

TEST_P(EveryExport, WithoutScanLines) {
  const ScanStore empty;
  const SensorCalib calib;
  EXPECT_EQ(missingExportInput(empty, GetParam().kind), nullptr);
  const std::string dir = test::freshTestDir(), path = dir + "/out.x";
  const Status status = GetParam().run({empty, calib, MaskRange{}}, path);
  const bool fails = GetParam().emptyBytes < 0;
  EXPECT_EQ(status.reason, fails ? "no scan lines loaded" : "");
  EXPECT_EQ(std::filesystem::is_empty(dir), fails);
  EXPECT_EQ(fails ? -1 : long(std::filesystem::file_size(path)), GetParam().emptyBytes);
}

TEST_P(EveryExport, PathFaultsWriteNothing) {
  const test::PlacedScan scan = fourPoints();
  const std::string dir = test::freshTestDir();
  const auto path = [&](size_t size) {
    return dir + "/" + std::string(size - dir.size() - 3, 'p') + ".x";
  };
  EXPECT_EQ(GetParam().run(scan.sources(), path(260)).reason,
            "path too long: 260 characters; expected at most 259");
  const Status unwritable = GetParam().run(scan.sources(), dir + "/absent/out.x");
  EXPECT_FALSE(unwritable.ok());
  EXPECT_TRUE(unwritable.file.starts_with(dir + "/absent/")) << unwritable.file;
  EXPECT_TRUE(std::filesystem::is_empty(dir));
  const Status at259 = GetParam().run(scan.sources(), path(259));
  const std::string tooLong =
      "map file name too long: " + path(259) + "; expected at most 259 characters";
  EXPECT_EQ(at259.reason, GetParam().map ? tooLong : "");
  EXPECT_EQ(std::filesystem::is_empty(dir), GetParam().map);
}

INSTANTIATE_TEST_SUITE_P(Exports, EveryExport, ::testing::ValuesIn(EXPORTS),
                         [](const auto& info) { return std::string(info.param.name); });

// A batch task's store starts at the drive's scan line firstLine, which LAS gives as GPS time;
// the classification comes from the surface class, the user data from the line class. A
// coordinate beyond the LAS integers, or one that is not finite (a pose and a calibration of huge
// numbers overflow), fails the export, naming the point.
TEST(LasExport, NumbersScanLinesFromTheFirstLineClassifiesAndRefusesPointsOutsideItsIntegers) {
  const test::PlacedScan scan = test::placedScan({{{1, 2, 3}, 2, 1},
                                                  {{4, 5, 6}, 8, 2},
                                                  {{1, 1, 1}, 4, 3},
                                                  {{2, 2, 2}, 1, 4},
                                                  {{3, 3, 3}, 2, 5}});
  const std::string dir = test::freshTestDir(), path = dir + "/p.las";
  ASSERT_TRUE(exportLas({scan.store, scan.calib, MaskRange{}, 7}, path).ok());
  const std::vector<unsigned char> las = test::readFile(path);
  ASSERT_EQ(las.size(), LAS_HEADER_SIZE + 5 * LAS_RECORD_SIZE);
  std::vector<double> gpsTime(5);
  std::vector<int> classes, userData;
  for (size_t k = 0; k < 5; ++k) {
    const unsigned char* record = &las[LAS_HEADER_SIZE + k * LAS_RECORD_SIZE];
    std::memcpy(&gpsTime[k], record + 22, 8);
    classes.push_back(record[16]);
    userData.push_back(record[17]);
  }
  EXPECT_EQ(gpsTime, std::vector<double>({7, 8, 9, 10, 11}));
  EXPECT_EQ(classes, std::vector<int>({11, 6, 1, 64, 2}));
  EXPECT_EQ(userData, std::vector<int>({2, 8, 4, 1, 2}));
  const test::PlacedScan widest = test::placedScan({{{0, 0, 0}, 8}, {{0, 0, 2147483.6}, 8}});
  EXPECT_TRUE(exportLas(widest.sources(), path).ok());
  std::filesystem::remove(path);
  const test::PlacedScan wide = test::placedScan({{{0, 0, 0}, 8}, {{2147483.7, 0, 0}, 8}});
  EXPECT_EQ(exportLas({wide.store, wide.calib, MaskRange{}, 7}, path).reason,
            "coordinate outside the LAS integer range: x 2147483.700 at scan line 8, sample 0, "
            "2147483.700 above the minimum 0.000 at scan line 7, sample 0; expected at most "
            "2147483.647 above it (1 mm steps as 32-bit integers)");
  test::PlacedScan huge = test::placedScan({{{1, 2, 3}, 2}, {{DBL_MAX, 5, 6}, 8}});
  huge.calib.translation = {DBL_MAX, 0, 0};
  for (auto run : {&exportLas, &Runs::ply}) {
    EXPECT_EQ(run({huge.store, huge.calib, MaskRange{}, 7}, path).reason,
              "point coordinate not finite: inf 5 6; expected finite numbers; scan line 8, "
              "sample 0");
  }
  EXPECT_TRUE(std::filesystem::is_empty(dir));
}

TEST(PlyHeader, NamesTheProjectInPrintableAsciiAndTheMaskBand) {
  EXPECT_TRUE(plyHeader("run.mdl", MaskRange{-1, -1}, 3)
                  .starts_with("ply\nformat binary_little_endian 1.0\n"
                               "comment Quorvel points of project run.mdl\n"
                               "comment mask range -1:-1, no sample left out\nelement vertex 3\n"));
  const std::string banded = plyHeader("a\nb\x80~ \x1f.mdl", MaskRange{5, 20}, 0);
  EXPECT_NE(banded.find("comment Quorvel points of project a_b_~ _.mdl\n"), std::string::npos);
  EXPECT_NE(banded.find("comment mask range 5:20, samples 5 to 20 of every scan line left out\n"),
            std::string::npos);
  for (MaskRange reversed : {MaskRange{9, 2}, MaskRange{-5, -2}}) {
    EXPECT_NE(plyHeader("", reversed, 0).find("no sample left out"), std::string::npos);
  }
  EXPECT_NE(plyHeader("", {-5, 0}, 0).find("samples -5 to 0"), std::string::npos);
}

TEST(NpyFile, AOneElementShapeIsWrittenWithItsComma) {
  const size_t one[] = {7};
  const std::vector<unsigned char> header = npyHeader("<f8", one);
  EXPECT_NE(std::string(header.begin(), header.end()).find("'shape': (7,), }"), std::string::npos);
}

}  // namespace
}  // namespace quorvel
