// The durable writer: a failure at any step leaves the previous file exactly as it was, removes
// the temporary file and reports the operating system's reason; pairs are never half replaced;
// temporary files of a killed run are recognised and removed by the next writer of the target.
#include "scan/output_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <iterator>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

enum class Step { None, Create, Write, Sync, Close, Rename, SyncFolder };

// The injected failure: the step whose call fails with `failingError` (a write after
// `writesBefore` successful writes).
Step failingStep = Step::None;
int failingError = 0, writesBefore = 0;

// The injected reason when `step` fails now, else the operating system's call.
template <typename Call>
std::string unless(Step step, Call call) {
  const bool fails = failingStep == step && (step != Step::Write || writesBefore-- == 0);
  return fails ? std::strerror(failingError) : call();
}

const FileSystemCalls& os = osFileSystemCalls();
const FileSystemCalls injectedCalls = {
    [](const std::string& path, FileHandle& handle) {
      return unless(Step::Create, [&] { return os.createNew(path, handle); });
    },
    [](FileHandle handle, const unsigned char* bytes, size_t size) {
      return unless(Step::Write, [&] { return os.write(handle, bytes, size); });
    },
    [](FileHandle handle) { return unless(Step::Sync, [&] { return os.sync(handle); }); },
    [](FileHandle handle) {
      const std::string reason = os.close(handle);  // the handle is closed in any case
      return unless(Step::Close, [&] { return reason; });
    },
    [](const std::string& from, const std::string& to) {
      return unless(Step::Rename, [&] { return os.replace(from, to); });
    },
    [](const std::string& folder) {
      return unless(Step::SyncFolder, [&] { return os.syncFolder(folder); });
    },
    os.read};

size_t filesIn(const std::string& dir) {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator(dir), {}));
}

// 40 chunks of 64 KiB through the 256 KiB buffer (ten writes), then one chunk larger than the
// buffer, written directly (the eleventh and last write).
Status writeLargeFile(const std::string& path) {
  OutputFile file(path);
  for (int i = 0; i < 40; ++i) file.write(std::vector<unsigned char>(1 << 16, 0x5a));
  file.write(std::vector<unsigned char>(300 << 10, 0xa5));
  return file.commit();
}

class DurableWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    test::writeFile(target, "the previous, complete file");
    fileSystemCalls() = injectedCalls;
    failingStep = Step::None;
    largeFile.resize(largeFile.size() + (300 << 10), 0xa5);
  }
  void TearDown() override { fileSystemCalls() = osFileSystemCalls(); }

  const std::string dir = test::freshTestDir(), target = dir + "/points.pt3d";
  std::vector<unsigned char> largeFile = std::vector<unsigned char>(40 << 16, 0x5a);
};

TEST_F(DurableWriter, AFailureAtAnyStepKeepsThePreviousFileAndReportsTheReason) {
  for (const auto& [step, writes, error] :
       {std::tuple(Step::Create, 0, EACCES), std::tuple(Step::Write, 0, ENOSPC),
        std::tuple(Step::Write, 1, EFBIG), std::tuple(Step::Write, 10, ENOSPC),
        std::tuple(Step::Sync, 0, EIO), std::tuple(Step::Close, 0, EDQUOT),
        std::tuple(Step::Rename, 0, EXDEV)}) {
    SCOPED_TRACE(std::to_string(error) + " after " + std::to_string(writes) + " writes");
    failingStep = step;
    failingError = error;
    writesBefore = writes;
    const Status status = writeLargeFile(target);
    EXPECT_EQ(status.reason, std::strerror(error));
    EXPECT_EQ(status.file, target);
    EXPECT_EQ(test::readFile(target), test::bytesOf("the previous, complete file"));
    EXPECT_EQ(filesIn(dir), 1u) << "a temporary file remains";
  }
  failingStep = Step::SyncFolder;  // after the rename: the new file stays, the failure is told
  failingError = EROFS;
  EXPECT_EQ(writeLargeFile(target).reason, std::strerror(EROFS));
  EXPECT_EQ(test::readFile(target), largeFile);
  std::filesystem::create_directory(dir + "/folder.ds");
  EXPECT_EQ(writeLargeFile(dir + "/folder.ds").reason, "a folder, not a regular file");
  EXPECT_TRUE(std::filesystem::is_directory(dir + "/folder.ds"));
}

// In a folder nothing names yet the file is written in place: whole and under its name after
// commit(), gone after a failure at any step, never written over an existing file.
TEST_F(DurableWriter, AFileInAFreshFolderIsWholeOrGone) {
  const std::string fresh = dir + "/tiles", tile = fresh + "/0.png";
  std::filesystem::create_directory(fresh);
  const auto writeTile = [&] {
    OutputFile file(tile, WriteMode::FreshFolder);
    file.write(largeFile);
    return file.commit();
  };
  for (const Step step : {Step::Write, Step::Sync, Step::Close}) {
    failingStep = step;
    failingError = ENOSPC;
    writesBefore = 0;
    EXPECT_EQ(writeTile().reason, std::strerror(ENOSPC));
    EXPECT_EQ(filesIn(fresh), 0u);
  }
  failingStep = Step::None;
  ASSERT_TRUE(writeTile().ok());
  EXPECT_EQ(test::readFile(tile), largeFile);
  EXPECT_FALSE(writeTile().ok());  // the name exists: the folder is not fresh
  EXPECT_EQ(test::readFile(tile), largeFile);
  EXPECT_TRUE(syncFolders({fresh, dir}).ok());
}

// A raster and its header: when the header cannot be completed, neither file is replaced.
TEST_F(DurableWriter, PairsAreCompleteBeforeEitherIsRenamed) {
  test::writeFile(dir + "/map-h.raw", "old raster");
  test::writeFile(dir + "/map-h.master", "old header");
  OutputFile raster(dir + "/map-h.raw"), header(dir + "/map-h.master");
  raster.write(std::string_view("new raster"));
  header.write(std::string_view("new header"));
  failingStep = Step::Write;
  failingError = ENOSPC;
  writesBefore = 1;  // the raster's bytes reach its file, the header's do not
  EXPECT_EQ(commitTogether({&raster, &header}).file, dir + "/map-h.master");
  EXPECT_EQ(test::readFile(dir + "/map-h.raw"), test::bytesOf("old raster"));
  EXPECT_EQ(test::readFile(dir + "/map-h.master"), test::bytesOf("old header"));
}

// A killed run leaves its temporary file: the next writer of the target removes it, but not one
// that a running writer holds, nor the temporary file of another target. A writer that ends
// without committing removes its own.
TEST_F(DurableWriter, RemovesTheTemporaryFilesOfAKilledRun) {
  OutputFile(target).write(std::string_view("never committed"));
  EXPECT_EQ(filesIn(dir), 1u);
  const std::string killed = target + ".4242-0" + TEMPORARY_SUFFIX;
  const std::string otherTarget = dir + "/points.pt3d.bak.4242-0" + TEMPORARY_SUFFIX;
  test::writeFile(killed, "half written");
  test::writeFile(otherTarget, "half written");
  OutputFile running(target);
  running.write(std::string_view("running"));
  ASSERT_TRUE(writeLargeFile(target).ok());
  EXPECT_EQ(test::readFile(target), largeFile);
  EXPECT_FALSE(std::filesystem::exists(killed));
  EXPECT_TRUE(std::filesystem::exists(running.temporaryPath()));
  EXPECT_TRUE(std::filesystem::exists(otherTarget));
  ASSERT_TRUE(running.commit().ok());
  EXPECT_EQ(test::readFile(target), test::bytesOf("running"));
  for (const char* name : {"a.ds.12-0.quorvel-tmp", "a.ds.999999-77.quorvel-tmp"}) {
    EXPECT_TRUE(isTemporaryOf(name, "a.ds")) << name;
  }
  for (const char* other : {"a.ds", "a.ds.quorvel-tmp", "a.ds.-.quorvel-tmp", "a.ds.12.quorvel-tmp",
                            "a.ds.x-0.quorvel-tmp", "a.ds.1-x.quorvel-tmp", "a.ds.12-.quorvel-tmp",
                            "a.ds.12-0.quorvel-tmp.1", "b.a.ds.12-0.quorvel-tmp",
                            "a.ds.bak.12-0.quorvel-tmp", "a.ds12-0.quorvel-tmp"}) {
    EXPECT_FALSE(isTemporaryOf(other, "a.ds")) << other;
  }
}

}  // namespace
}  // namespace quorvel
