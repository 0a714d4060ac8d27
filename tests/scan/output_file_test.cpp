// The durable writer: a failure at any step leaves the previous file exactly as it was, removes
// the temporary file and reports the operating system's reason; temporary files of a killed run
// are recognised and removed by the next writer of the same target.
#include "scan/output_file.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

enum class Step { None, Create, WriteInTheMiddle, LastWrite, Sync, Close, Rename };

// The injected failure: which step, and how many write calls pass before a write fails.
Step failingStep = Step::None;
int writesBeforeFailure = 0;

std::string injected(int error) {
  return std::strerror(error);
}

std::string createNew(const std::string& path, FileHandle& handle) {
  if (failingStep == Step::Create) return injected(EACCES);
  return osFileSystemCalls().createNew(path, handle);
}

std::string write(FileHandle handle, const unsigned char* bytes, size_t size) {
  const bool writeFails = failingStep == Step::WriteInTheMiddle || failingStep == Step::LastWrite;
  if (writeFails && writesBeforeFailure-- == 0) return injected(ENOSPC);
  return osFileSystemCalls().write(handle, bytes, size);
}

std::string sync(FileHandle handle) {
  if (failingStep == Step::Sync) return injected(EIO);
  return osFileSystemCalls().sync(handle);
}

std::string close(FileHandle handle) {
  const std::string reason = osFileSystemCalls().close(handle);
  return failingStep == Step::Close ? injected(EDQUOT) : reason;
}

std::string replace(const std::string& from, const std::string& to) {
  if (failingStep == Step::Rename) return injected(EXDEV);
  return osFileSystemCalls().replace(from, to);
}

std::vector<std::string> namesIn(const std::string& dir) {
  std::vector<std::string> names;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

class DurableWriter : public ::testing::Test {
 protected:
  void SetUp() override {
    dir = test::freshTestDir();
    target = dir + "/points.pt3d";
    test::writeFile(target, "the previous, complete file");
    FileSystemCalls& calls = fileSystemCalls();
    calls.createNew = createNew;
    calls.write = write;
    calls.sync = sync;
    calls.close = close;
    calls.replace = replace;
    failingStep = Step::None;
  }
  void TearDown() override { fileSystemCalls() = osFileSystemCalls(); }

  // 2.5 MiB in writes of 64 KiB, then commit: three writes of the 1 MiB buffer.
  Status writeLargeFile(const std::string& path) {
    OutputFile file(path);
    const std::vector<unsigned char> chunk(1 << 16, 0x5a);
    for (int i = 0; i < 40; ++i) file.write(chunk);
    return file.commit();
  }

  std::string dir, target;
};

struct FailureCase {
  const char* name;
  Step step;
  int writesBefore;
  int error;
};

class DurableWriterFailure : public DurableWriter,
                             public ::testing::WithParamInterface<FailureCase> {};

TEST_P(DurableWriterFailure, KeepsThePreviousFileAndReportsTheReason) {
  failingStep = GetParam().step;
  writesBeforeFailure = GetParam().writesBefore;
  const Status status = writeLargeFile(target);
  EXPECT_EQ(status.reason, std::strerror(GetParam().error));
  EXPECT_EQ(status.file, target);
  EXPECT_EQ(test::readFile(target), test::bytesOf("the previous, complete file"));
  EXPECT_EQ(namesIn(dir), std::vector<std::string>{"points.pt3d"}) << "no temporary file remains";
}

INSTANTIATE_TEST_SUITE_P(EachStep, DurableWriterFailure,
                         ::testing::Values(FailureCase{"Create", Step::Create, 0, EACCES},
                                           FailureCase{"WriteInTheMiddle", Step::WriteInTheMiddle,
                                                       1, ENOSPC},
                                           FailureCase{"LastWrite", Step::LastWrite, 2, ENOSPC},
                                           FailureCase{"Sync", Step::Sync, 0, EIO},
                                           FailureCase{"Close", Step::Close, 0, EDQUOT},
                                           FailureCase{"Rename", Step::Rename, 0, EXDEV}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(DurableWriter, ReplacesTheTargetOnlyWhenCommitted) {
  {
    OutputFile abandoned(target);
    abandoned.write(std::string_view("never committed"));
  }
  EXPECT_EQ(test::readFile(target), test::bytesOf("the previous, complete file"));
  ASSERT_TRUE(writeLargeFile(target).ok());
  EXPECT_EQ(test::readFile(target), std::vector<unsigned char>(40 << 16, 0x5a));
  EXPECT_EQ(namesIn(dir), std::vector<std::string>{"points.pt3d"});
}

// A raster and its header: when the header cannot be completed, neither file is replaced.
TEST_F(DurableWriter, PairsAreCompleteBeforeEitherIsRenamed) {
  test::writeFile(dir + "/map-h.raw", "old raster");
  test::writeFile(dir + "/map-h.master", "old header");
  OutputFile raster(dir + "/map-h.raw");
  OutputFile header(dir + "/map-h.master");
  raster.write(std::string_view("new raster"));
  header.write(std::string_view("new header"));
  failingStep = Step::LastWrite;
  writesBeforeFailure = 1;  // the raster's bytes reach its file, the header's do not
  EXPECT_EQ(commitTogether({&raster, &header}).file, dir + "/map-h.master");
  EXPECT_EQ(test::readFile(dir + "/map-h.raw"), test::bytesOf("old raster"));
  EXPECT_EQ(test::readFile(dir + "/map-h.master"), test::bytesOf("old header"));
}

// A killed run leaves its temporary file: the next writer of the target removes it, but not one
// that a running writer holds, nor the temporary file of another target.
TEST_F(DurableWriter, RemovesTheTemporaryFilesOfAKilledRun) {
  const std::string killed = target + ".4242-0" + TEMPORARY_SUFFIX;
  const std::string otherTarget = dir + "/points.pt3d.bak.4242-0" + TEMPORARY_SUFFIX;
  test::writeFile(killed, "half written");
  test::writeFile(otherTarget, "half written");
  OutputFile running(target);
  running.write(std::string_view("running"));
  ASSERT_TRUE(writeLargeFile(target).ok());
  EXPECT_FALSE(std::filesystem::exists(killed));
  EXPECT_TRUE(std::filesystem::exists(running.temporaryPath()));
  EXPECT_TRUE(std::filesystem::exists(otherTarget));
  ASSERT_TRUE(running.commit().ok());
  EXPECT_EQ(test::readFile(target), test::bytesOf("running"));
}

TEST(TemporaryName, BelongsToOneTarget) {
  EXPECT_TRUE(isTemporaryOf("a.ds.12-0.quorvel-tmp", "a.ds"));
  EXPECT_TRUE(isTemporaryOf("a.ds.999999-77.quorvel-tmp", "a.ds"));
  for (const char* other :
       {"a.ds", "a.ds.quorvel-tmp", "a.ds.12.quorvel-tmp", "a.ds.x-0.quorvel-tmp",
        "a.ds.12-0.quorvel-tmp.1", "b.a.ds.12-0.quorvel-tmp", "a.ds.bak.12-0.quorvel-tmp",
        "a.ds12-0.quorvel-tmp"}) {
    EXPECT_FALSE(isTemporaryOf(other, "a.ds")) << other;
  }
}

TEST_F(DurableWriter, RefusesToReplaceWhatIsNotARegularFile) {
  std::filesystem::create_directory(dir + "/folder.ds");
  const Status status = writeLargeFile(dir + "/folder.ds");
  EXPECT_EQ(status.reason, "a folder, not a regular file");
  EXPECT_TRUE(std::filesystem::is_directory(dir + "/folder.ds"));
}

}  // namespace
}  // namespace quorvel
