#include "tests/support/test_files.h"

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "scan/ds_file.h"

namespace quorvel::test {

std::string freshTestDir() {
  const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
  std::string name = std::string(info->test_suite_name()) + "." + info->name();
  for (char& c : name) {
    if (c == '/') c = '_';
  }
  const std::filesystem::path dir = std::filesystem::path(QUORVEL_TEST_TMP) / name;
  std::filesystem::remove_all(dir);
  std::filesystem::create_directories(dir);
  return dir.string();
}

std::string sourcePath(std::string_view relative) {
  return (std::filesystem::path(QUORVEL_SOURCE_DIR) / relative).string();
}

void writeFile(const std::string& path, std::span<const unsigned char> bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.good()) << path;
}

void writeFile(const std::string& path, std::string_view text) {
  writeFile(path, bytesOf(text));
}

std::vector<unsigned char> readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<unsigned char> bytesOf(std::string_view text) {
  return {text.begin(), text.end()};
}

namespace {

void appendBytes(std::vector<unsigned char>& out, const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  out.insert(out.end(), bytes, bytes + size);
}

void appendRecord(std::vector<unsigned char>& out, const DsRecord& record, int pointsPerLine) {
  appendBytes(out, record.attitude.data(), sizeof record.attitude);
  appendBytes(out, record.position.data(), sizeof record.position);
  appendBytes(out, record.reserved.data(), record.reserved.size());
  for (int s = 0; s < pointsPerLine; ++s) {
    const int16_t raw = s < static_cast<int>(record.range.size()) ? record.range[s] : 0;
    appendBytes(out, &raw, sizeof raw);
  }
}

}  // namespace

std::vector<unsigned char> dsFileBytes(float resolution, float fieldOfView, float rangeUnit,
                                       const std::vector<DsRecord>& records, int skipped) {
  std::vector<unsigned char> out;
  appendDsHeader({fieldOfView, resolution, rangeUnit}, out);
  const ScanSetup* setup = findScanSetup(resolution, fieldOfView);
  const int pointsPerLine = setup ? setup->pointsPerLine : 181;
  DsRecord filler;
  filler.range.assign(static_cast<size_t>(pointsPerLine), 1234);
  for (int i = 0; i < skipped; ++i) appendRecord(out, filler, pointsPerLine);
  for (const DsRecord& record : records) appendRecord(out, record, pointsPerLine);
  return out;
}

}  // namespace quorvel::test
