#include "scan/project_load.h"

#include <gtest/gtest.h>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using test::DsRecord;

class ProjectLoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::freshTestDir();
    DsRecord record;
    record.range.assign(181, 1000);
    test::writeFile(dir + "/scan.ds", test::dsFileBytes(1.0f, 180.0f, 100, {record, record}));
    test::writeFile(dir + "/van.cal", "rot 0 0 90\nshv 1 2 3\n");
    test::writeFile(dir + "/run.mdl", "DIR ./\nDS scan.ds\nCALIB van.cal\n");
    ASSERT_TRUE(load(dir + "/run.mdl"));
  }

  bool load(const std::string& mdl) {
    ProjectLoad loaded;
    if (!readProject(mdl, paths, calib, loaded, failure)) return false;
    installProject(std::move(loaded), paths, calib, store);
    return true;
  }

  // A second project in a subfolder whose files the test then spoils one by one.
  std::string secondProject(const std::string& mdlText) {
    test::writeFile(dir + "/second.mdl", mdlText);
    return dir + "/second.mdl";
  }

  void expectFirstProjectIntact() {
    EXPECT_EQ(paths.dsName, "scan.ds");
    EXPECT_EQ(calib.translation, (Vec3{1, 2, 3}));
    EXPECT_EQ(store.lineCount, 2);
    EXPECT_EQ(store.pointsPerLine, 181);
    EXPECT_TRUE(store.varianceMap.has_value());
  }

  std::string dir;
  ProjectPaths paths;
  SensorCalib calib;
  ScanStore store;
  ProjectLoadFailure failure;
};

TEST_F(ProjectLoadTest, LoadsAllThreeFilesRelativeToTheMdlFolder) {
  EXPECT_EQ(paths.directory, "./");
  EXPECT_EQ(calib.translation, (Vec3{1, 2, 3}));
  EXPECT_EQ(store.lineCount, 2);
}

TEST_F(ProjectLoadTest, MissingMdlFile) {
  store.varianceMap.emplace(362, 0.0);
  EXPECT_FALSE(load(dir + "/absent.mdl"));
  EXPECT_EQ(failure.text, "Load MDL file failure.");
  EXPECT_EQ(failure.caption, dir + "/absent.mdl");
  expectFirstProjectIntact();
}

TEST_F(ProjectLoadTest, MissingCalibrationFile) {
  store.varianceMap.emplace(362, 0.0);
  EXPECT_FALSE(load(secondProject("DS other.ds\nCALIB nothing.cal\n")));
  EXPECT_EQ(failure.text, "Load Calib file failure.");
  EXPECT_EQ(failure.caption, dir + "/./nothing.cal");
  expectFirstProjectIntact();
}

TEST_F(ProjectLoadTest, MissingDsFileLeavesCalibrationAndPathsAsTheyWere) {
  store.varianceMap.emplace(362, 0.0);
  test::writeFile(dir + "/other.cal", "shv 9 9 9\n");
  EXPECT_FALSE(load(secondProject("DS nothing.ds\nCALIB other.cal\n")));
  EXPECT_EQ(failure.text, "Load Ds file failure.");
  EXPECT_EQ(failure.caption, dir + "/./nothing.ds");
  expectFirstProjectIntact();
}

TEST_F(ProjectLoadTest, RejectedDsSetupGivesTheReason) {
  store.varianceMap.emplace(362, 0.0);
  test::writeFile(dir + "/odd.ds", test::dsFileBytes(2.0f, 180.0f, 100, {DsRecord{}}));
  EXPECT_FALSE(load(secondProject("DS odd.ds\n")));
  EXPECT_EQ(failure.text, "Load Ds file failure.");
  EXPECT_NE(failure.reason.find("unsupported set-up: resolution 2, field of view 180"),
            std::string::npos);
  expectFirstProjectIntact();
}

TEST_F(ProjectLoadTest, DirectoryWithoutSeparatorRunsIntoTheName) {
  test::writeFile(dir + "/sub.mdl", "DIR " + dir + "/data\nDS x.ds\nCALIB c.cal\n");
  EXPECT_FALSE(load(dir + "/sub.mdl"));
  EXPECT_EQ(failure.text, "Load Calib file failure.");
  EXPECT_EQ(failure.caption, dir + "/datac.cal");
}

TEST_F(ProjectLoadTest, JoinedPathTooLongFailsThatStep) {
  const std::string name(250, 'n');
  test::writeFile(dir + "/long.mdl", "DIR " + std::string(20, 'd') + "/\nCALIB " + name + "\n");
  EXPECT_FALSE(load(dir + "/long.mdl"));
  EXPECT_EQ(failure.text, "Load Calib file failure.");
  EXPECT_NE(failure.reason.find("joined path too long"), std::string::npos);
  EXPECT_NE(failure.caption.find(name), std::string::npos);
}

TEST_F(ProjectLoadTest, SuccessfulReloadReleasesDerivedBuffers) {
  store.varianceMap.emplace(362, 0.0);
  ASSERT_TRUE(load(dir + "/run.mdl"));
  EXPECT_FALSE(store.varianceMap.has_value());
  EXPECT_EQ(store.lineCount, 2);
}

}  // namespace
}  // namespace quorvel
