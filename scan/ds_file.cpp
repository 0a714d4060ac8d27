#include "scan/ds_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <stdexcept>

#include "scan/file_bytes.h"

namespace quorvel {

namespace {

constexpr ScanSetup ACCEPTED_SETUPS[] = {
    {1.0f, 180.0f, 181, 414},
    {0.5f, 180.0f, 361, 774},
    {0.25f, 100.0f, 401, 854},
};

float readFloat(std::span<const unsigned char> bytes, size_t offset) {
  float value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

std::string setupText(const DsHeader& header) {
  char text[96];
  std::snprintf(text, sizeof text, "resolution %g, field of view %g",
                static_cast<double>(header.angularResolution),
                static_cast<double>(header.fieldOfView));
  return text;
}

// Records after the skipped ones, a trailing partial record included, and never more than the
// file could hold in whole records (header bytes counted).
size_t loadableRecordCount(size_t fileSize, size_t recordSize) {
  const size_t capacity = fileSize / recordSize;
  const size_t skipped = DS_HEADER_SIZE + SKIPPED_LEADING_LINES * recordSize;
  if (fileSize <= skipped) return 0;
  const size_t remaining = fileSize - skipped;
  return std::min(capacity, (remaining + recordSize - 1) / recordSize);
}

}  // namespace

const ScanSetup* findScanSetup(float angularResolution, float fieldOfView) {
  for (const ScanSetup& setup : ACCEPTED_SETUPS) {
    if (setup.angularResolution == angularResolution) {
      return setup.fieldOfView == fieldOfView ? &setup : nullptr;
    }
  }
  return nullptr;
}

Status allocateScanLines(size_t count, std::vector<ScanLine>& lines) {
  try {
    lines.assign(count, ScanLine{});
  } catch (const std::bad_alloc&) {
    return fault("not enough memory for the scan lines", std::to_string(count) + " lines");
  } catch (const std::length_error&) {
    return fault("not enough memory for the scan lines", std::to_string(count) + " lines");
  }
  return {};
}

Status parseDsFile(std::span<const unsigned char> bytes, DsContents& contents) {
  if (bytes.size() < DS_HEADER_SIZE) {
    return fault("file shorter than the DS header", std::to_string(bytes.size()) + " bytes",
                 "at least 12");
  }
  DsHeader header{readFloat(bytes, 0), readFloat(bytes, 4), readFloat(bytes, 8)};
  const ScanSetup* setup = findScanSetup(header.angularResolution, header.fieldOfView);
  if (!setup) {
    return fault("unsupported set-up", setupText(header), "1/180, 0.5/180 or 0.25/100",
                 "in the header");
  }
  const size_t recordSize = static_cast<size_t>(setup->recordSize);
  const size_t count = loadableRecordCount(bytes.size(), recordSize);
  if (count > static_cast<size_t>(INT32_MAX)) {
    return fault("too many scan lines", std::to_string(count), "at most 2147483647");
  }
  std::vector<ScanLine> lines;
  Status allocated = allocateScanLines(count, lines);
  if (!allocated.ok()) return allocated;
  size_t offset = DS_HEADER_SIZE + SKIPPED_LEADING_LINES * recordSize;
  for (ScanLine& line : lines) {
    const size_t length = std::min(recordSize, bytes.size() - offset);
    std::memcpy(static_cast<void*>(&line), bytes.data() + offset, length);
    makePoseRotation(line.rotation, line.attitude[0], line.attitude[1], line.attitude[2]);
    offset += length;
  }
  contents.header = header;
  contents.setup = *setup;
  contents.lines = std::move(lines);
  return {};
}

void installDsContents(ScanStore& store, DsContents&& contents) {
  freeScanStore(store);
  store.fieldOfView = contents.header.fieldOfView;
  store.angularResolution = contents.header.angularResolution;
  store.rangeUnit = contents.header.rangeUnit;
  store.angularStep = static_cast<double>(store.angularResolution) * DEG_TO_RAD;
  store.startAngle = 0.0;
  store.pointsPerLine = contents.setup.pointsPerLine;
  store.recordSize = contents.setup.recordSize;
  store.lineCount = static_cast<int32_t>(contents.lines.size());
  store.lines = std::move(contents.lines);
}

Status readDsContents(const std::string& path, DsContents& contents) {
  std::vector<unsigned char> bytes;
  Status status = readFileBytes(path, bytes);
  return status.ok() ? parseDsFile(bytes, contents) : status;
}

Status readDsFile(const std::string& path, ScanStore& store) {
  DsContents contents;
  Status status = readDsContents(path, contents);
  if (!status.ok()) return status;
  installDsContents(store, std::move(contents));
  return {};
}

int loadDsFile(const char* path) {
  return readDsFile(path, scanStore).ok() ? 1 : 0;
}

void appendDsHeader(const DsHeader& header, std::vector<unsigned char>& out) {
  for (float value : {header.fieldOfView, header.angularResolution, header.rangeUnit}) {
    unsigned char bytes[sizeof value];
    std::memcpy(bytes, &value, sizeof value);
    out.insert(out.end(), bytes, bytes + sizeof value);
  }
}

}  // namespace quorvel
