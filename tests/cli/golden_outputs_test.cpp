// Whole runs of `quorvel` on small simulated drives, every picture, dump and export pinned by one
// hash of all their contents (the pictures by their pixels, so that the PNG compression may
// change). The hashes were taken from runs whose files equal an independent implementation's
// bit for bit; a change in any stage, in any set-up, shows here. On a difference the test prints
// every file's own hash, to be compared with the same run of the last good build.
#include <gtest/gtest.h>

#include <algorithm>
#include <cinttypes>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "scan/content_hash.h"
#include "tests/support/command_run.h"
#include "tests/support/png_image.h"
#include "tests/support/test_files.h"

namespace quorvel {
namespace {

const char* const kAllExports =
    "pt3d-normal,pt3d-class,count-map,road-height,road-ds,nonroad-ds,ply,las,kerbs";

struct GoldenRun {
  const char* name;
  const char* simulation;  // arguments of `quorvel simulate`
  const char* options;     // arguments of `quorvel run` besides the outputs
  uint64_t digest;
};

// The file's contents as hashed: a picture's size and pixels, any other file's bytes.
uint64_t contentHash(const std::filesystem::path& file) {
  if (file.extension() != ".png") return fnv1a(test::readFile(file.string()));
  const test::PngImage image = test::readPng(file.string());
  const uint32_t size[2] = {image.width, image.height};
  return fnv1a(image.rgb, fnv1a({reinterpret_cast<const unsigned char*>(size), 8}));
}

// One hash of every file of `dir` and their names, in name order; the files' own hashes printed.
uint64_t folderDigest(const std::string& dir, std::string& listing) {
  std::vector<std::filesystem::path> files;
  for (const auto& entry : std::filesystem::directory_iterator(dir)) files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  uint64_t digest = fnv1a({});
  for (const auto& file : files) {
    const std::string name = file.filename().string();
    const uint64_t hash = contentHash(file);
    char line[128];
    std::snprintf(line, sizeof line, "%016" PRIx64 " %s\n", hash, name.c_str());
    listing += line;
    digest = fnv1a({reinterpret_cast<const unsigned char*>(&hash), 8},
                   fnv1a(test::bytesOf(name), digest));
  }
  return digest;
}

void PrintTo(const GoldenRun& run, std::ostream* out) {
  *out << run.name;
}

class GoldenOutputs : public ::testing::TestWithParam<GoldenRun> {};

TEST_P(GoldenOutputs, EveryOutputHasItsKnownContents) {
  const GoldenRun& golden = GetParam();
  const std::string dir = test::freshTestDir();
  const std::string quorvel = QUORVEL_CLI;
  test::writeFile(dir + "/grid.master",
                  "width 150\nlength 90\nox 20\noy -8\npixelsize 0.07\nbyteperpixel 1\n");
  ASSERT_EQ(
      test::runCommand(dir, quorvel + " simulate --out " + dir + "/p " + golden.simulation).status,
      0);
  const std::string project = dir + "/p/sim.mdl";
  const test::CommandRun run =
      test::runCommand(dir, "cd " + dir + " && " + quorvel + " run " + project + " --out " + dir +
                                "/out --quiet --images all --dump " + "--export " + kAllExports +
                                " " + golden.options);
  ASSERT_EQ(run.status, 0) << run.err;
  const test::CommandRun info = test::runCommand(dir, quorvel + " info " + project);
  const test::CommandRun query =
      test::runCommand(dir, quorvel + " query " + project + " --line 40 --sample 60");
  test::writeFile(dir + "/out/info.txt", info.out.substr(info.out.find('\n')));
  test::writeFile(dir + "/out/query.txt", query.out + query.err);

  std::string listing;
  const uint64_t digest = folderDigest(dir + "/out", listing);
  EXPECT_EQ(digest, golden.digest) << std::hex << "digest 0x" << digest << "\n" << listing;
}

INSTANTIATE_TEST_SUITE_P(
    Drives, GoldenOutputs,
    ::testing::Values(GoldenRun{"street", "--scene street --lines 200 --setup 0.5 --seed 3",
                                "--threads 2", 0x8b3de6cda3419d62ULL},
                      GoldenRun{"hillsMasked", "--scene hills --lines 2100 --setup 1.0 --seed 7",
                                "--threads 1 --mask 30:150 --inverse", 0x7108be051bd942eeULL},
                      GoldenRun{"streetFineGrid",
                                "--scene street --lines 100 --setup 0.25 --seed 5",
                                "--threads 2 --map-template grid.master", 0x82a5218f1dad1a5cULL}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace quorvel
