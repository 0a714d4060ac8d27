// Test helpers: a fresh temporary folder per test, and small DS, MDL and calibration files
// built in memory.
#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "scan/geometry.h"

namespace quorvel::test {

// An empty folder for the running test, under the build tree (never the working directory).
std::string freshTestDir();

std::string sourcePath(std::string_view relative);  // a file of the source tree

void writeFile(const std::string& path, std::span<const unsigned char> bytes);
void writeFile(const std::string& path, std::string_view text);
std::vector<unsigned char> readFile(const std::string& path);
std::vector<unsigned char> bytesOf(std::string_view text);

// One DS record; the range samples are padded with zeros (or cut) to the set-up's length.
struct DsRecord {
  Vec3 attitude{};
  Vec3 position{};
  std::array<uint8_t, 4> reserved{};
  std::vector<int16_t> range;
};

// A DS file: header, then `skipped` filler records (the loader never reads them), then records.
std::vector<unsigned char> dsFileBytes(float resolution, float fieldOfView, float rangeUnit,
                                       const std::vector<DsRecord>& records, int skipped = 200);

}  // namespace quorvel::test
