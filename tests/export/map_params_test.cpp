// Map header templates and written headers: which lines set which fields, and how their values
// convert.
#include "export/map_params.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>

#include "export/map_files.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

MapParams parsed(const std::string& text) {
  MapParams params;
  parseMapTemplate(test::bytesOf(text), params);
  return params;
}

TEST(MapTemplate, ReadsBackAWrittenHeaderWithCrLf) {
  const MapParams params = parsed(
      "width\t640\r\nlength\t480\r\nox\t\t10.500000\r\noy\t\t-20.250000\r\noz\t\t3.0\r\n"
      "pixelsize\t0.200000\r\ndemres\t0.5\r\nbyteperpixel\t1\r\n");
  EXPECT_EQ(params.width, 640);
  EXPECT_EQ(params.length, 480);
  EXPECT_EQ(params.ox, 10.5);
  EXPECT_EQ(params.oy, -20.25);
  EXPECT_EQ(params.pixelsize, 0.2);
  EXPECT_EQ(params.oz, 0.0);      // never read
  EXPECT_EQ(params.demres, 0.0);  // never read
}

TEST(MapHeader, ReadsTheHeightScaleBesideTheGrid) {
  MapParams params;
  MapParams written;
  written.width = 16;
  written.length = 8;
  written.ox = 1.5;
  written.oy = -2.25;
  written.oz = -1.125;
  written.pixelsize = 0.25;
  written.demres = 0.015625;
  const std::string text = mapHeaderText(written, MapHeaderKind::RoadHeight);
  parseMapHeader(test::bytesOf(text), params);
  EXPECT_EQ(params.width, 16);
  EXPECT_EQ(params.length, 8);
  EXPECT_EQ(params.ox, 1.5);
  EXPECT_EQ(params.oy, -2.25);
  EXPECT_EQ(params.oz, -1.125);
  EXPECT_EQ(params.pixelsize, 0.25);
  EXPECT_EQ(params.demres, 0.015625);
}

TEST(MapTemplate, AcceptsCapitalKeysAndCommas) {
  const MapParams params = parsed("WIDTH,12\nLength, 7\nOX,1.5\nPixelSize,0.5\n");
  EXPECT_EQ(params.width, 12);
  EXPECT_EQ(params.length, 7);
  EXPECT_EQ(params.ox, 1.5);
  EXPECT_EQ(params.pixelsize, 0.5);
}

TEST(MapTemplate, IgnoresKeysWithoutValueAndUnknownLines) {
  const MapParams params = parsed("width\nox\r\nlength 9\nheight 5\n width 3\n");
  EXPECT_EQ(params.width, 0);
  EXPECT_EQ(params.length, 9);
  EXPECT_EQ(params.ox, 0.0);
  EXPECT_EQ(params.pixelsize, 0.1);
}

TEST(MapTemplate, MatchesOnlyTheKeyPrefixes) {
  // "wi" and "le" are all that is compared; integers convert as atoi does.
  const MapParams params = parsed("window 33.9\nlevel -4\noyster 2.5\n");
  EXPECT_EQ(params.width, 33);
  EXPECT_EQ(params.length, -4);
  EXPECT_EQ(params.oy, 2.5);
}

TEST(MapTemplate, ReadsLongLinesIn199CharacterPieces) {
  const std::string line = std::string(199, 'x') + "width 5";
  EXPECT_EQ(parsed(line).width, 5);
  EXPECT_EQ(parsed(std::string(198, 'x') + "width 5").width, 0);
}

TEST(MapTemplate, ACrLfLineEndIsNoValue) {
  EXPECT_EQ(parsed("pixelsize \r\nox 2\r\n").pixelsize, 0.1);
  EXPECT_EQ(parsed("pixelsize \r\nox 2\r\n").ox, 2.0);
}

TEST(MapTemplate, EachLinePieceEndsAtItsFirstNul) {
  EXPECT_EQ(parsed(std::string("ox\0 5\noy 3\0 7\n", 14)).ox, 0.0);
  EXPECT_EQ(parsed(std::string("ox\0 5\noy 3\0 7\n", 14)).oy, 3.0);
  // The NUL ends the first 199-character piece only; the next piece is read on.
  const std::string line = std::string("x\0", 2) + std::string(197, 'x') + "width 5\n";
  EXPECT_EQ(parsed(line).width, 5);
}

// A missing template is none; a folder or a named pipe in its place fails the export (a pipe
// would otherwise wait for a writer).
TEST(MapTemplate, AMissingFileIsNoneAFolderOrAPipeIsRefused) {
  const std::string dir = test::freshTestDir();
  MapParams params;
  params.width = 3;
  EXPECT_EQ(ReadMapTemplate(dir + "/none.master", params), 0);
  EXPECT_TRUE(readMapTemplateIfPresent(dir + "/none.master", params).ok());
  EXPECT_EQ(params.width, 3);
  ASSERT_EQ(::mkfifo((dir + "/pipe.master").c_str(), 0600), 0);
  std::filesystem::create_directory(dir + "/folder.master");
  for (const char* name : {"/pipe.master", "/folder.master"}) {
    const Status status = readMapTemplateIfPresent(dir + name, params);
    EXPECT_NE(status.reason.find(", not a regular file"), std::string::npos) << status.reason;
    EXPECT_EQ(status.file, dir + name);
  }
}

TEST(MapTemplate, ReadsAFile) {
  const std::string path = test::freshTestDir() + "/area.master";
  test::writeFile(path, "pixelsize 0.25\r\n");
  MapParams params;
  EXPECT_EQ(ReadMapTemplate(path, params), 1);
  EXPECT_EQ(params.pixelsize, 0.25);
}

}  // namespace
}  // namespace quorvel
