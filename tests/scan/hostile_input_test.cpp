// Edge files of every reader through a whole project load: the load's result, the window's
// message when it fails, and a failed load leaving the loaded project exactly as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>

#include "scan/file_system.h"
#include "scan/project_load.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using test::DsRecord;

enum class Spoiled { Mdl, Calib, Ds };

struct EdgeFile {
  const char* name;
  Spoiled file;
  std::vector<unsigned char> bytes;
  const char* failure;  // the window's message, or nullptr when the load succeeds
};

std::ostream& operator<<(std::ostream& out, const EdgeFile& edge) {
  return out << edge.name;
}

std::vector<unsigned char> ds(float resolution, float fov, float unit, int records, double pose = 0,
                              int skipped = 200) {
  DsRecord record;
  record.attitude = {pose, pose, pose};
  record.range.assign(401, 1000);
  return test::dsFileBytes(resolution, fov, unit, std::vector<DsRecord>(records, record), skipped);
}

std::vector<unsigned char> cut(std::vector<unsigned char> bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

std::vector<EdgeFile> edgeFiles() {
  using test::bytesOf;
  const float nan = std::numeric_limits<float>::quiet_NaN();
  return {
      {"EmptyDs", Spoiled::Ds, {}, "Load Ds file failure."},
      {"ElevenByteDs", Spoiled::Ds, cut(ds(1, 180, 100, 0, 0, 0), 11), "Load Ds file failure."},
      {"HeaderOnlyDs", Spoiled::Ds, ds(1, 180, 100, 0, 0, 0), nullptr},
      {"TwoHundredRecordsDs", Spoiled::Ds, ds(1, 180, 100, 0), nullptr},
      {"PartialTrailingRecordDs", Spoiled::Ds, cut(ds(1, 180, 100, 2), 12 + 201 * 414 + 100),
       nullptr},
      {"NanRangeUnitDs", Spoiled::Ds, ds(1, 180, nan, 3), nullptr},
      {"DenormalRangeUnitDs", Spoiled::Ds, ds(1, 180, std::numeric_limits<float>::denorm_min(), 3),
       nullptr},
      {"NanResolutionDs", Spoiled::Ds, ds(nan, 180, 100, 3), "Load Ds file failure."},
      {"InfinitePoseDs", Spoiled::Ds, ds(0.25f, 100, 100, 3, HUGE_VAL), nullptr},
      {"NanPoseDs", Spoiled::Ds, ds(0.5f, 180, 100, 3, std::nan("")), nullptr},
      {"EmptyMdlKeepsTheLoadedPaths", Spoiled::Mdl, {}, nullptr},
      {"MdlWithoutNewlineAtEnd", Spoiled::Mdl, bytesOf("DIR ./\nDS scan.ds\nCALIB van.cal"),
       nullptr},
      {"MdlWithCrLf", Spoiled::Mdl, bytesOf("DIR ./\r\nDS scan.ds\r\nCALIB van.cal\r\n"), nullptr},
      {"MdlWithNulBytes", Spoiled::Mdl,
       test::bytesOf(std::string("DS scan.ds\0junk\nCALIB van.cal\0\n", 31)), nullptr},
      {"MdlTenThousandCharacterLine", Spoiled::Mdl,
       bytesOf("DIR " + std::string(10000, 'd') + "\nDS scan.ds\nCALIB van.cal\n"),
       "Load MDL file failure."},
      {"MdlKeywordOnlyLines", Spoiled::Mdl, bytesOf("DIR\nDS scan.ds\nCALIB van.cal\nDS\n"),
       "Load Ds file failure."},
      {"CalibTenThousandCharacterLine", Spoiled::Calib,
       bytesOf("rot " + std::string(10000, '9') + "\nshv 1 2 3\n"), nullptr},
      {"CalibKeywordOnlyLines", Spoiled::Calib, bytesOf("rot\nshv\n" + std::string(500, 'r')),
       nullptr},
      {"CalibNulBytesAndNoNewline", Spoiled::Calib, bytesOf(std::string("rot 1\0 2 3\nshv 4", 17)),
       nullptr},
  };
}

class HostileInput : public ::testing::TestWithParam<EdgeFile> {
 protected:
  void SetUp() override {
    dir = test::freshTestDir();
    test::writeFile(dir + "/scan.ds", ds(1, 180, 100, 2));
    test::writeFile(dir + "/van.cal", "shv 1 2 3\n");
    test::writeFile(dir + "/run.mdl", "DIR ./\nDS scan.ds\nCALIB van.cal\n");
    ASSERT_TRUE(load(dir + "/run.mdl"));
    store.varianceMap.emplace(362, 0.25);
  }

  bool load(const std::string& mdl) {
    ProjectLoad loaded;
    if (!readProject(mdl, paths, calib, loaded, failure)) return false;
    installProject(std::move(loaded), paths, calib, store);
    return true;
  }

  void expectTheFirstProjectLoaded() const {
    EXPECT_EQ(paths.dsName, "scan.ds");
    EXPECT_EQ(calib.translation, (Vec3{1, 2, 3}));
    EXPECT_EQ(store.lineCount, 2);
    EXPECT_EQ(store.pointsPerLine, 181);
    ASSERT_TRUE(store.varianceMap.has_value());
    EXPECT_EQ(store.varianceMap->front(), 0.25);
  }

  std::string dir;
  ProjectPaths paths;
  SensorCalib calib;
  ScanStore store;
  ProjectLoadFailure failure;
};

TEST_P(HostileInput, LoadsOrFailsWithTheWindowMessageAndKeepsTheProject) {
  const EdgeFile& edge = GetParam();
  std::string mdl = dir + "/second.mdl";
  test::writeFile(mdl, "DIR ./\nDS second.ds\nCALIB second.cal\n");
  test::writeFile(dir + "/second.ds", ds(1, 180, 100, 2));
  test::writeFile(dir + "/second.cal", "shv 1 2 3\n");
  const char* spoiled[] = {"/second.mdl", "/second.cal", "/second.ds"};
  test::writeFile(dir + spoiled[static_cast<int>(edge.file)], edge.bytes);
  const bool loaded = load(mdl);
  EXPECT_EQ(loaded, edge.failure == nullptr) << failure.text << " " << failure.reason;
  if (loaded) return;
  EXPECT_EQ(failure.text, edge.failure);
  EXPECT_FALSE(failure.reason.empty());
  expectTheFirstProjectLoaded();
}

INSTANTIATE_TEST_SUITE_P(EdgeFiles, HostileInput, ::testing::ValuesIn(edgeFiles()),
                         [](const auto& info) { return std::string(info.param.name); });

// A folder, a named pipe (which would block a plain open until a writer comes) and a device
// that never ends, in the place of each file: refused before any byte is read.
TEST_F(HostileInput, FilesThatAreNotRegularFilesAreRefused) {
  const std::string fifo = dir + "/pipe";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  std::filesystem::create_directory(dir + "/folder");
  const std::pair<std::string, std::string> kinds[] = {
      {"folder", "a folder"}, {"pipe", "a named pipe"}, {"/dev/zero", "a device"}};
  for (const auto& [name, kind] : kinds) {
    const std::string path = name[0] == '/' ? name : dir + "/" + name;
    const std::string mdl = dir + "/other.mdl";
    const std::pair<std::string, const char*> projects[] = {
        {path, "Load MDL file failure."},
        {"DS scan.ds\nCALIB " + path + "\n", "Load Calib file failure."},
        {"CALIB van.cal\nDS " + path + "\n", "Load Ds file failure."}};
    for (const auto& [mdlText, message] : projects) {
      const bool mdlItself = mdlText == path;
      if (!mdlItself) test::writeFile(mdl, "DIR \n" + mdlText);
      EXPECT_FALSE(load(mdlItself ? path : mdl)) << message << " " << path;
      EXPECT_EQ(failure.text, message);
      EXPECT_NE(failure.reason.find(kind + ", not a regular file"), std::string::npos)
          << failure.reason;
    }
  }
  expectTheFirstProjectLoaded();
}

// Fails a read that starts inside a file, after its first bytes and before its end.
std::string failInTheMiddle(FileHandle handle, unsigned char* bytes, size_t size, size_t& got) {
  struct stat status;
  const off_t offset = ::lseek(handle, 0, SEEK_CUR);
  if (::fstat(handle, &status) == 0 && offset > 0 && offset < status.st_size) {
    return std::strerror(EIO);
  }
  return osFileSystemCalls().read(handle, bytes, size, got);
}

TEST_F(HostileInput, AReadErrorInTheMiddleOfTheDsFileFailsTheLoad) {
  std::string mdl = dir + "/second.mdl";
  test::writeFile(mdl, "DIR ./\nDS second.ds\nCALIB van.cal\n");
  test::writeFile(dir + "/second.ds", ds(1, 180, 100, 200));  // several reads long
  fileSystemCalls().read = failInTheMiddle;
  const bool loaded = load(mdl);
  fileSystemCalls() = osFileSystemCalls();
  EXPECT_FALSE(loaded);
  EXPECT_EQ(failure.text, "Load Ds file failure.");
  EXPECT_EQ(failure.reason, "cannot read the file: Input/output error");
  expectTheFirstProjectLoaded();
}

}  // namespace
}  // namespace quorvel
