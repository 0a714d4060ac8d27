#include "scan/project_file.h"

#include <gtest/gtest.h>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

ProjectPaths parsed(std::string_view text, ProjectPaths start = {}) {
  EXPECT_TRUE(parseMdlFile(test::bytesOf(text), start).ok());
  return start;
}

TEST(MdlFile, ReadsTheThreeKeywords) {
  const ProjectPaths paths = parsed("DIR /data/run1/\nDS run1.ds\nCALIB van.cal\n");
  EXPECT_EQ(paths.directory, "/data/run1/");
  EXPECT_EQ(paths.dsName, "run1.ds");
  EXPECT_EQ(paths.calibName, "van.cal");
}

TEST(MdlFile, KeywordsIgnoreCaseAndFollowingLetters) {
  const ProjectPaths paths = parsed("dirname,/d/\nDSNAME x.ds\nCalibration\tc.cal trailing\n");
  EXPECT_EQ(paths.directory, "/d/");
  EXPECT_EQ(paths.dsName, "x.ds");
  EXPECT_EQ(paths.calibName, "c.cal");
}

TEST(MdlFile, LaterLinesWinInAnyOrder) {
  const ProjectPaths paths = parsed("CALIB a\nDS b\nDIR c\nDS d\nCALIB e\n");
  EXPECT_EQ(paths.calibName, "e");
  EXPECT_EQ(paths.dsName, "d");
  EXPECT_EQ(paths.directory, "c");
}

TEST(MdlFile, UnmentionedKeywordsKeepThePreviousProject) {
  const ProjectPaths previous{"/old/", "old.cal", "old.ds"};
  const ProjectPaths paths = parsed("; a comment\n DS indented is ignored\nDS new.ds\n", previous);
  EXPECT_EQ(paths.directory, "/old/");
  EXPECT_EQ(paths.calibName, "old.cal");
  EXPECT_EQ(paths.dsName, "new.ds");
  EXPECT_EQ(parsed("", previous).dsName, "old.ds");
}

TEST(MdlFile, KeywordWithoutValueGivesEmptyText) {
  const ProjectPaths paths = parsed("DIR\nDS ,\n", ProjectPaths{"/old/", "c", "d"});
  EXPECT_EQ(paths.directory, "");
  EXPECT_EQ(paths.dsName, "");
}

TEST(MdlFile, WindowsLineEndsDoNotEndUpInNames) {
  const ProjectPaths paths = parsed("DIR /d/\r\nDS x.ds\r\nCALIB c.cal\r\n");
  EXPECT_EQ(paths.directory, "/d/");
  EXPECT_EQ(paths.dsName, "x.ds");
  EXPECT_EQ(paths.calibName, "c.cal");
}

TEST(MdlFile, LongDirectoryLineIsReadWhole) {
  const std::string longDir = "/" + std::string(150, 'd') + "/";
  EXPECT_EQ(parsed("DIR " + longDir + "\n").directory, longDir);
}

TEST(MdlFile, ValueThatDoesNotFitAPathBufferFailsTheFile) {
  ProjectPaths paths{"/old/", "old.cal", "old.ds"};
  EXPECT_TRUE(parseMdlFile(test::bytesOf("DS " + std::string(259, 'x')), paths).ok());
  const Status status =
      parseMdlFile(test::bytesOf("DIR /new/\nDS " + std::string(260, 'x') + "\n"), paths);
  EXPECT_FALSE(status.ok());
  EXPECT_NE(status.reason.find("line 2"), std::string::npos);
  EXPECT_EQ(paths.directory, "/old/");
}

TEST(MdlFile, JoinedPathsMustFitAPathBuffer) {
  std::string joined = "unchanged";
  EXPECT_TRUE(joinProjectPath("/d/", "x.ds", joined).ok());
  EXPECT_EQ(joined, "/d/x.ds");
  EXPECT_TRUE(joinProjectPath("/data", "x.ds", joined).ok());
  EXPECT_EQ(joined, "/datax.ds");  // no separator is added
  EXPECT_TRUE(joinProjectPath(std::string(200, 'd'), std::string(59, 'n'), joined).ok());
  EXPECT_FALSE(joinProjectPath(std::string(200, 'd'), std::string(60, 'n'), joined).ok());
}

TEST(MdlFile, RelativePathsAreTakenFromTheMdlFolder) {
  EXPECT_EQ(resolveProjectPath("/p/q/run.mdl", "./x.ds"), "/p/q/./x.ds");
  EXPECT_EQ(resolveProjectPath("/p/q/run.mdl", "x.ds"), "/p/q/x.ds");
  EXPECT_EQ(resolveProjectPath("C:\\p\\run.mdl", "sub\\x.ds"), "C:\\p\\sub\\x.ds");
  EXPECT_EQ(resolveProjectPath("run.mdl", "x.ds"), "x.ds");
  EXPECT_EQ(resolveProjectPath("/p/run.mdl", "/abs/x.ds"), "/abs/x.ds");
  EXPECT_EQ(resolveProjectPath("/p/run.mdl", "\\\\server\\x.ds"), "\\\\server\\x.ds");
  EXPECT_EQ(resolveProjectPath("/p/run.mdl", "D:/x.ds"), "D:/x.ds");
}

TEST(MdlFile, UnreadableFileFails) {
  ProjectPaths paths;
  EXPECT_FALSE(readMdlFile(test::freshTestDir() + "/absent.mdl", paths).ok());
}

}  // namespace
}  // namespace quorvel
