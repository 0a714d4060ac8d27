// The readers on the inputs the simulated drives never produce: text lines, tokens, keywords and
// numbers (with the cases a fuzzer found); calibration and MDL texts; path resolution; DS records
// kept byte for byte; running out of memory. Then a second project loaded over a first with one
// file missing, spoiled (DS set-ups, files cut anywhere, odd values, edge MDL and calibration
// texts), replaced by a folder, a pipe or a device, or failing to read midway: the window's
// message, caption and reason, and the first project left exactly as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <clocale>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <limits>
#include <optional>

#include "scan/calib_file.h"
#include "scan/ds_file.h"
#include "scan/file_system.h"
#include "scan/project_file.h"
#include "scan/project_load.h"
#include "scan/text_lines.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using Bytes = std::vector<unsigned char>;

using test::bytesOf;
using Strings = std::vector<std::string>;

// The rows of a table, given as the arguments of a call.
template <typename T, typename... Rest>
std::vector<T> table(const T& first, const Rest&... rest) {
  return {first, rest...};
}

TEST(TextLines, LinesTokensAndKeywords) {
  using L = std::pair<std::string, Strings>;
  const std::string longLine = "DIR /" + std::string(200, 'x') + "/";
  for (const auto& [text, lines] :
       table(L("DIR /a/\r\nDS b.ds\r\nCALIB c\r", {"DIR /a/", "DS b.ds", "CALIB c"}),
             L("a\rb\n", {"a\rb"}), L(longLine + "\nDS a", {longLine, "DS a"}),
             L(std::string("DS ab\0cd\nrot", 12), {"DS ab", "rot"}), L("\n\nx", {"", "", "x"}),
             L("", {}))) {
    EXPECT_EQ(splitTextLines(bytesOf(text)), lines) << text;
  }
  const auto tokens = splitTokens("rot 1,2\t3 ,, 4");
  EXPECT_EQ(Strings(tokens.begin(), tokens.end()), (Strings{"rot", "1", "2", "3", "4"}));
  EXPECT_TRUE(splitTokens(" ,\t").empty());
  EXPECT_EQ(numberToken(tokens, 4), 4.0);
  EXPECT_EQ(numberToken(tokens, 5), 0.0);  // a missing number reads as zero
  using K = std::tuple<const char*, const char*, bool>;
  for (const auto& [line, keyword, starts] :
       table(K("ROT 1 2 3", "rot", true), K("Shv", "shv", true), K("dsname x", "DS", true),
             K("Azo", "aZO", true), K(" rot", "rot", false), K("ro", "rot", false),
             K("r\xcft", "rot", false))) {
    EXPECT_EQ(startsWithKeyword(line, keyword), starts) << line << " " << keyword;
  }
}

// The longest decimal prefix; out of range gives infinity or a signed zero, also for exponents
// beyond a 64-bit integer.
TEST(TextLines, LeadingNumbers) {
  const std::string zeros(999, '0'), nines(20, '9');
  using N = std::pair<std::string, double>;
  for (const auto& [token, value] :
       table(N("90", 90.0), N("-0.5", -0.5), N("+2.", 2.0), N(".25", 0.25), N("1e2", 100.0),
             N("1.5E-1x", 0.15), N("3e", 3.0), N("3e+", 3.0), N("12abc", 12.0), N("abc", 0.0),
             N("", 0.0), N(".", 0.0), N("-", 0.0), N("inf", 0.0), N("nan", 0.0), N("0x10", 0.0),
             N("\r7", 7.0), N("1,5", 1.0), N("1e999", HUGE_VAL), N("-1e999", -HUGE_VAL),
             N("1e+999", HUGE_VAL), N("1e-999", 0.0), N("-1e-999", -0.0), N("1e" + nines, HUGE_VAL),
             N("0.0001e-" + nines, 0.0), N("1" + zeros + "e-500", HUGE_VAL),
             N("0." + zeros + "1e500", 0.0), N("1e9223372036854775807", HUGE_VAL),
             N("10e-9223372036854775808", 0.0))) {
    EXPECT_EQ(leadingNumber(token), value) << token;
    EXPECT_EQ(std::signbit(leadingNumber(token)), std::signbit(value)) << token;
  }
  using I = std::pair<const char*, int32_t>;  // as atoi, saturated
  const int32_t min = -2147483647 - 1, max = 2147483647;
  for (const auto& [text, value] :
       table(I("640", 640), I("  -12x", -12), I("+7.9", 7), I("abc", 0), I("", 0), I("- 5", 0),
             I("\t+15 3", 15), I("99999999999", max), I("2147483647", max), I("-2147483648", min),
             I("-99999999999", min))) {
    EXPECT_EQ(leadingInteger(text), value) << text;
  }
  const std::string saved = std::setlocale(LC_NUMERIC, nullptr);
  if (std::setlocale(LC_NUMERIC, "de_DE.UTF-8") || std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    EXPECT_EQ(leadingNumber("2.5"), 2.5);  // a decimal comma locale changes nothing
    std::setlocale(LC_NUMERIC, saved.c_str());
  }
}

// Each `rot` line (degrees about x, y, z) multiplies RotZ * RotY * RotX on the right; every load
// starts from the identity, and keeps the previous translation unless a `shv` line sets it.
TEST(CalibFile, RotLinesComposeAndTheLastShvWins) {
  using Case = std::tuple<const char*, std::vector<Vec3>, Vec3>;  // text, rot lines, translation
  for (const auto& [text, rotations, translation] :
       table(Case("rot 90 0 0\nrot 0 90 0\n", {{90, 0, 0}, {0, 90, 0}}, {7, 8, 9}),
             Case("rot 10 20 30", {{10, 20, 30}}, {7, 8, 9}),
             Case("ROTATION,1,2,3\nShvx\t0.5,-1,2", {{1, 2, 3}}, {0.5, -1, 2}),
             Case("# mounting\nshv 1 2 3\n rot 5 5 5\nshv 4 5 6\n\nxyz 1\n", {}, {4, 5, 6}),
             Case("rot 0 90\nshv 1\nshv\n", {{0, 90, 0}}, {0, 0, 0}),
             Case("rot 1 2 3\r\nshv 4 5 6\r\n", {{1, 2, 3}}, {4, 5, 6}), Case("", {}, {7, 8, 9}))) {
    SensorCalib calib{RotZ(1.0), {7, 8, 9}};
    ASSERT_TRUE(parseCalibFile(bytesOf(text), calib).ok());
    Mat3 expected = {1, 0, 0, 0, 1, 0, 0, 0, 1};
    for (const Vec3& r : rotations) {
      for (const Mat3& m :
           {RotZ(r[2] * DEG_TO_RAD), RotY(r[1] * DEG_TO_RAD), RotX(r[0] * DEG_TO_RAD)})
        mat3Multiply(expected, m);
    }
    EXPECT_EQ(calib.rotation, expected) << text;
    EXPECT_EQ(calib.translation, translation) << text;
  }
}

TEST(MdlFile, KeywordLinesSetThePathsOfTheLoadedProject) {
  const std::string longDir = std::string(150, 'd').append("/"), longName(259, 'x');
  using M = std::pair<std::string, ProjectPaths>;  // text; directory, calibration, DS
  for (const auto& [text, expected] :
       table(M("DIR /run1/\nDS run1.ds\nCALIB van.cal\n", {"/run1/", "van.cal", "run1.ds"}),
             M("dirname,/d/\nDSNAME x.ds\nCalibration\tc.cal trailing\n", {"/d/", "c.cal", "x.ds"}),
             M("CALIB a\nDS b\nDIR c\nDS d\nCALIB e\n", {"c", "e", "d"}),
             M("; a comment\n DS indented is ignored\nDS new.ds\n", {"/old/", "old.cal", "new.ds"}),
             M("", {"/old/", "old.cal", "old.ds"}), M("DIR\nDS ,\n", {"", "old.cal", ""}),
             M("DIR /d/\r\nDS x.ds\r\nCALIB c.cal\r\n", {"/d/", "c.cal", "x.ds"}),
             M("DIR " + longDir + "\nDS " + longName, {longDir, "old.cal", longName}))) {
    ProjectPaths paths{"/old/", "old.cal", "old.ds"};
    ASSERT_TRUE(parseMdlFile(bytesOf(text), paths).ok()) << text;
    EXPECT_EQ(Strings({paths.directory, paths.calibName, paths.dsName}),
              Strings({expected.directory, expected.calibName, expected.dsName}));
  }
}

// A joined path of 259 characters fits a path buffer (260 fail in the project loads below); a
// relative path is taken from the MDL file's folder (a drive letter or a slash make it absolute).
TEST(MdlFile, JoiningAndResolvingPaths) {
  const std::string d200(200, 'd'), n59(59, 'n');
  std::string joined;
  EXPECT_TRUE(joinProjectPath(d200, n59, joined).ok());
  EXPECT_EQ(joined, d200 + n59);
  using R = std::pair<const char*, const char*>;  // joined from /p/run.mdl, resolved
  for (const auto& [path, resolved] :
       table(R("./x.ds", "/p/./x.ds"), R("x.ds", "/p/x.ds"), R("/abs/x.ds", "/abs/x.ds"),
             R("\\\\server\\x.ds", "\\\\server\\x.ds"), R("D:/x.ds", "D:/x.ds"), R("d:x", "d:x"),
             R("Z:x", "Z:x"), R("a:x", "a:x"), R("z:x", "z:x"), R("@:x", "/p/@:x"),
             R("[:x", "/p/[:x"), R("`:x", "/p/`:x"), R("{:x", "/p/{:x"), R("D", "/p/D"),
             R("D:", "D:"), R("", "/p/"))) {
    EXPECT_EQ(resolveProjectPath("/p/run.mdl", path), resolved) << path;
  }
  EXPECT_EQ(resolveProjectPath("C:\\p\\run.mdl", "sub\\x.ds"), "C:\\p\\sub\\x.ds");
  EXPECT_EQ(resolveProjectPath("run.mdl", "x.ds"), "x.ds");
}

Bytes ds(float resolution, float fov, int records, float unit = 100, double pose = 0,
         int skipped = 200) {
  test::DsRecord record;
  record.attitude = {pose, pose, pose};
  record.range.assign(401, 1000);
  return test::dsFileBytes(resolution, fov, unit, std::vector(records, record), skipped);
}

Bytes cut(Bytes bytes, size_t size) {
  bytes.resize(size);
  return bytes;
}

std::string unsupported(const char* resolution, const char* fov) {
  return std::string("unsupported set-up: resolution ") + resolution + ", field of view " + fov +
         "; expected 1/180, 0.5/180 or 0.25/100; in the header";
}

// The first 200 records are skipped; a record is copied byte for byte (negative samples and the
// reserved bytes too), a partial one with zeros for its missing bytes; the pose rotation is set.
TEST(DsFile, RecordsAreKeptAsRead) {
  test::DsRecord record;
  record.attitude = {0.1, 0.2, 0.3};
  record.position = {42, 0, 0};
  record.reserved = {0xde, 0xad, 0xbe, 0xef};
  record.range = {-5, 32767, -32768, 5};
  const Bytes whole = test::dsFileBytes(1, 180, 100, {record, record});
  DsContents contents;
  ASSERT_TRUE(parseDsFile(cut(whole, whole.size() - 414 + 58), contents).ok());
  ASSERT_EQ(contents.lines.size(), 2u);
  EXPECT_EQ(std::memcmp(&contents.lines[0], whole.data() + 12 + 200 * 414, 414), 0);
  EXPECT_EQ(contents.lines[0].range[181], 0);  // beyond the set-up's samples
  Mat3 expected;
  makePoseRotation(expected, 0.1, 0.2, 0.3);
  EXPECT_EQ(contents.lines[0].rotation, expected);
  const ScanLine& partial = contents.lines[1];  // ends after sample 2
  EXPECT_EQ(partial.attitude[2], 0.3);
  EXPECT_EQ(partial.range[2], -32768);
  EXPECT_EQ(partial.range[3], 0);
  EXPECT_EQ(partial.rotation, expected);
}

TEST(DsFile, AllocationFailureIsReportedNotThrown) {
  std::vector<ScanLine> lines;
  const size_t huge = std::numeric_limits<size_t>::max() / 2;
  EXPECT_EQ(allocateScanLines(huge, lines).reason,
            "not enough memory for the scan lines: " + std::to_string(huge) + " lines");
#if !defined(__SANITIZE_ADDRESS__)  // AddressSanitizer ends the program instead of throwing
  EXPECT_FALSE(allocateScanLines(size_t{1} << 40, lines).ok());  // about 1.7 PB
#endif
  EXPECT_TRUE(lines.empty());
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

// One file of the second project replaced: 0 the MDL file, 1 the calibration, 2 the DS file.
struct EdgeFile {
  int file;
  std::optional<Bytes> bytes;  // its contents; none: missing, or `special` in its place
  const char* failure;         // the window's message, or nullptr when the load succeeds
  std::string reason = {};     // the start of the reason
  int lines = -1;              // the lines loaded, when the load succeeds and they are told
  std::string caption = {};    // after the test folder; the replaced file when empty
  char special = 0;  // 'f' a folder, 'p' a named pipe, 'd' a device, 'r' a read error midway
};

TEST(ProjectLoad, LoadsOrFailsWithTheWindowMessageAndKeepsTheFirstProject) {
  using E = EdgeFile;
  const std::string longName(255, 'n'), open = "cannot open the file: ";
  const std::string absent = open + "No such file or directory";
  const char *mdlFailure = "Load MDL file failure.", *calibFailure = "Load Calib file failure.",
             *dsFailure = "Load Ds file failure.";
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const size_t skipped = 12 + 200 * 414;
  const std::string tooShort = "file shorter than the DS header: ";
  const auto cases = table(
      E(0, {}, mdlFailure, absent), E(1, {}, calibFailure, absent), E(2, {}, dsFailure, absent),
      E(0, {}, mdlFailure, open + "a folder, not a regular file", -1, "", 'f'),
      E(1, {}, calibFailure, open + "a named pipe, not a regular file", -1, "", 'p'),
      E(2, {}, dsFailure, open + "a device, not a regular file", -1, "", 'd'),
      E(2, ds(1, 180, 200), dsFailure, "cannot read the file: Input/output error", -1, "", 'r'),
      // DS files: rejected set-ups, files cut anywhere, odd header and pose values
      E(2, ds(1, 100, 1), dsFailure, unsupported("1", "100")),
      E(2, ds(0.5f, 100, 1), dsFailure, unsupported("0.5", "100")),
      E(2, ds(0.25f, 180, 1), dsFailure, unsupported("0.25", "180")),
      E(2, ds(2, 180, 1), dsFailure, unsupported("2", "180")),
      E(2, ds(0.5000001f, 180, 1), dsFailure, unsupported("0.5", "180")),
      E(2, ds(nan, 180, 1), dsFailure, unsupported("nan", "180")),
      E(2, Bytes{}, dsFailure, tooShort + "0 bytes; expected at least 12"),
      E(2, cut(ds(1, 180, 0), 11), dsFailure, tooShort + "11 bytes; expected at least 12"),
      E(2, ds(1, 180, 0, 100, 0, 0), nullptr, "", 0), E(2, ds(1, 180, 0), nullptr, "", 0),
      E(2, cut(ds(1, 180, 1), skipped + 1), nullptr, "", 1),
      E(2, cut(ds(1, 180, 2), skipped + 514), nullptr, "", 2),
      E(2, ds(1, 180, 3, nan), nullptr, "", 3),
      E(2, ds(1, 180, 3, std::numeric_limits<float>::denorm_min()), nullptr, "", 3),
      E(2, ds(0.25f, 100, 3, 100, HUGE_VAL), nullptr, "", 3),
      E(2, ds(0.5f, 180, 3, 100, std::nan("")), nullptr, "", 3),
      // MDL and calibration files
      E(0, Bytes{}, nullptr),  // keeps the loaded paths
      E(0, bytesOf("DIR ./\nDS scan.ds\nCALIB van.cal"), nullptr),
      E(0, bytesOf("DIR ./\r\nDS scan.ds\r\nCALIB van.cal\r\n"), nullptr),
      E(0, bytesOf(std::string("DS scan.ds\0junk\nCALIB van.cal\0\n", 31)), nullptr),
      E(0, bytesOf("DIR /new/\nDS " + std::string(260, 'x') + "\n"), mdlFailure,
        "value too long for a path: 260 characters; expected at most 259; line 2"),
      E(0, bytesOf("DIR\nDS scan.ds\nCALIB van.cal\nDS\n"), dsFailure,
        open + "a folder, not a regular file", -1, "/"),
      E(0, bytesOf("DIR data\nCALIB c.cal\n"), calibFailure, absent, -1, "/datac.cal"),
      E(0, bytesOf("DIR dddd/\nCALIB " + longName + "\n"), calibFailure,
        "joined path too long: 260 characters; expected at most 259", -1, "/dddd/" + longName),
      E(1, bytesOf("rot " + std::string(10000, '9') + "\nshv 1 2 3\n"), nullptr),
      E(1, bytesOf("rot\nshv\n" + std::string(500, 'r')), nullptr),
      E(1, bytesOf(std::string("rot 1\0 2 3\nshv 4", 17)), nullptr));

  const std::string dir = test::freshTestDir();
  test::writeFile(dir + "/scan.ds", ds(1, 180, 2));
  test::writeFile(dir + "/van.cal", "shv 1 2 3\n");
  test::writeFile(dir + "/run.mdl", "DIR ./\nDS scan.ds\nCALIB van.cal\n");
  ProjectPaths paths;
  SensorCalib calib;
  ScanStore store;
  ProjectLoadFailure failure;
  const auto load = [&](const std::string& mdl) {
    ProjectLoad loaded;
    if (!readProject(mdl, paths, calib, loaded, failure)) return false;
    installProject(std::move(loaded), paths, calib, store);
    return true;
  };
  const std::string names[] = {"/second.mdl", "/./second.cal", "/./second.ds"};
  for (size_t i = 0; i < cases.size(); ++i) {
    const EdgeFile& edge = cases[i];
    SCOPED_TRACE("case " + std::to_string(i));
    ASSERT_TRUE(load(dir + "/run.mdl"));
    store.varianceMap.emplace(362, 0.25);
    for (const std::string& name : names) std::filesystem::remove_all(dir + name);
    test::writeFile(dir + names[0], "DIR ./\nDS second.ds\nCALIB second.cal\n");
    test::writeFile(dir + names[1], "shv 4 5 6\n");
    test::writeFile(dir + names[2], ds(0.5f, 180, 3));
    const std::string replaced = dir + names[edge.file];
    std::filesystem::remove(replaced);
    if (edge.bytes) test::writeFile(replaced, *edge.bytes);
    if (edge.special == 'f') std::filesystem::create_directory(replaced);
    ASSERT_TRUE(edge.special != 'p' || ::mkfifo(replaced.c_str(), 0600) == 0);
    if (edge.special == 'd') std::filesystem::create_symlink("/dev/zero", replaced);
    if (edge.special == 'r') fileSystemCalls().read = failInTheMiddle;
    const bool loaded = load(dir + names[0]);
    fileSystemCalls() = osFileSystemCalls();
    EXPECT_EQ(loaded, edge.failure == nullptr) << failure.text << " " << failure.reason;
    if (loaded) {
      EXPECT_FALSE(store.varianceMap.has_value());
      EXPECT_EQ(store.lineCount, edge.lines < 0 ? store.lineCount : edge.lines);
      continue;
    }
    EXPECT_EQ(failure.text, edge.failure);
    EXPECT_EQ(failure.reason.substr(0, edge.reason.size()), edge.reason) << failure.reason;
    EXPECT_EQ(failure.caption, dir + (edge.caption.empty() ? names[edge.file] : edge.caption));
    EXPECT_EQ(paths.dsName, "scan.ds");
    EXPECT_EQ(calib.translation, (Vec3{1, 2, 3}));
    EXPECT_EQ(store.lineCount, 2);
    EXPECT_EQ(store.pointsPerLine, 181);
    ASSERT_TRUE(store.varianceMap.has_value());
    EXPECT_EQ(store.varianceMap->front(), 0.25);
  }
}

}  // namespace
}  // namespace quorvel
