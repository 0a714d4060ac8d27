#include "scan/ds_file.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

#include "scan/file_bytes.h"
#include "scan/file_system.h"
#include "scan/pose_glitches.h"

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

namespace {

Status parseDsHeader(std::span<const unsigned char> bytes, DsHeader& header, ScanSetup& setup) {
  if (bytes.size() < DS_HEADER_SIZE) {
    return fault("file shorter than the DS header", std::to_string(bytes.size()) + " bytes",
                 "at least 12");
  }
  header = {readFloat(bytes, 0), readFloat(bytes, 4), readFloat(bytes, 8)};
  const ScanSetup* found = findScanSetup(header.angularResolution, header.fieldOfView);
  if (!found) {
    return fault("unsupported set-up", setupText(header), "1/180, 0.5/180 or 0.25/100",
                 "in the header");
  }
  setup = *found;
  return {};
}

// Records to scan lines; a record cut inside its pose, or whose pose is not finite, gives a line
// with a rejected pose.
Status scanLinesOfRecords(std::span<const unsigned char> records, size_t recordSize,
                          std::vector<ScanLine>& lines) {
  const size_t count = (records.size() + recordSize - 1) / recordSize;
  if (count > static_cast<size_t>(INT32_MAX)) {
    return fault("too many scan lines", std::to_string(count), "at most 2147483647");
  }
  Status allocated = allocateScanLines(count, lines);
  if (!allocated.ok()) return allocated;
  size_t offset = 0;
  for (ScanLine& line : lines) {
    const size_t length = std::min(recordSize, records.size() - offset);
    std::memcpy(static_cast<void*>(&line), records.data() + offset, length);
    makePoseRotation(line.rotation, line.attitude[0], line.attitude[1], line.attitude[2]);
    line.poseRejected = length < offsetof(ScanLine, reserved) || !isFinitePose(line);
    offset += length;
  }
  return {};
}

// The record the file ends inside, if any (none inside the skipped records).
std::optional<CutRecord> cutRecordOf(uint64_t fileSize, size_t recordSize) {
  const uint64_t skipped = DS_HEADER_SIZE + SKIPPED_LEADING_LINES * recordSize;
  if (fileSize <= skipped || (fileSize - skipped) % recordSize == 0) return std::nullopt;
  const int64_t leftOver = static_cast<int64_t>((fileSize - skipped) % recordSize);
  return CutRecord{static_cast<int64_t>((fileSize - skipped) / recordSize), leftOver,
                   static_cast<int32_t>(recordSize),
                   leftOver < static_cast<int64_t>(offsetof(ScanLine, reserved))};
}

}  // namespace

WindowRecords windowRecords(const LineWindow& window, int64_t fileLines) {
  WindowRecords records;
  records.first = std::clamp<int64_t>(window.first, 0, fileLines);
  records.end = std::clamp<int64_t>(window.first + window.count, records.first, fileLines);
  const int64_t margin = records.end > records.first ? POSE_CONTEXT_LINES : 0;
  records.readFirst = std::max<int64_t>(records.first - margin, 0);
  records.readEnd = std::min<int64_t>(records.end + margin, fileLines);
  return records;
}

Status parseWindowRecords(std::span<const unsigned char> records, const WindowRecords& window,
                          int64_t fileLines, uint64_t fileSize, size_t recordSize,
                          DsContents& contents) {
  std::vector<ScanLine> lines;
  if (Status status = scanLinesOfRecords(records, recordSize, lines); !status.ok()) return status;
  PoseFaults faults = findPoseFaults(lines, window.readFirst, fileLines);
  faults.cutRecord = cutRecordOf(fileSize, recordSize);
  contents.poseFaults = faultsWithin(faults, window.first, window.end);
  lines.erase(lines.begin() + (window.end - window.readFirst), lines.end());
  lines.erase(lines.begin(), lines.begin() + (window.first - window.readFirst));
  contents.lines = std::move(lines);
  contents.firstLine = window.first;
  contents.fileLines = fileLines;
  return {};
}

Status parseDsFile(std::span<const unsigned char> bytes, DsContents& contents) {
  DsHeader header;
  ScanSetup setup{};
  if (Status status = parseDsHeader(bytes, header, setup); !status.ok()) return status;
  const size_t recordSize = static_cast<size_t>(setup.recordSize);
  const size_t count = loadableRecordCount(bytes.size(), recordSize);
  const size_t skipped = DS_HEADER_SIZE + SKIPPED_LEADING_LINES * recordSize;
  const size_t available = count == 0 ? 0 : std::min(count * recordSize, bytes.size() - skipped);
  const int64_t fileLines = static_cast<int64_t>(count);
  DsContents parsed;
  Status status =
      parseWindowRecords(bytes.subspan(count == 0 ? 0 : skipped, available),
                         {0, fileLines, 0, fileLines}, fileLines, bytes.size(), recordSize, parsed);
  if (!status.ok()) return status;
  parsed.header = header;
  parsed.setup = setup;
  contents = std::move(parsed);
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
  store.firstLine = contents.firstLine;
  store.poseFaults = std::move(contents.poseFaults);
}

Status readDsContents(const std::string& path, DsContents& contents) {
  std::vector<unsigned char> bytes;
  Status status = readFileBytes(path, bytes);
  return status.ok() ? parseDsFile(bytes, contents) : status;
}

namespace {

// The window's records from an open file: header first, then one read of the window's bytes.
Status readWindow(FileHandle handle, const LineWindow& window, DsContents& contents) {
  unsigned char headerBytes[DS_HEADER_SIZE];
  size_t got = 0;
  uint64_t fileSize = 0;
  std::string reason = readFileAt(handle, 0, headerBytes, DS_HEADER_SIZE, got);
  if (reason.empty()) reason = readFileSize(handle, fileSize);
  if (!reason.empty()) return fault("cannot read the file", reason);
  Status status = parseDsHeader(std::span(headerBytes, got), contents.header, contents.setup);
  if (!status.ok()) return status;
  const size_t recordSize = static_cast<size_t>(contents.setup.recordSize);
  contents.fileLines = static_cast<int64_t>(loadableRecordCount(fileSize, recordSize));
  const WindowRecords read = windowRecords(window, contents.fileLines);
  const uint64_t offset = DS_HEADER_SIZE + (SKIPPED_LEADING_LINES + read.readFirst) * recordSize;
  const uint64_t wanted = std::min<uint64_t>((read.readEnd - read.readFirst) * recordSize,
                                             fileSize - std::min(offset, fileSize));
  std::vector<unsigned char> records;
  try {
    records.resize(wanted);
  } catch (const std::bad_alloc&) {
    return fault("not enough memory for the scan lines",
                 std::to_string(read.end - read.first) + " lines");
  }
  reason = readFileAt(handle, offset, records.data(), records.size(), got);
  if (!reason.empty()) return fault("cannot read the file", reason);
  if (got != records.size()) return fault("the file ended while it was read");
  return parseWindowRecords(records, read, contents.fileLines, fileSize, recordSize, contents);
}

}  // namespace

Status readDsLineWindow(const std::string& path, const LineWindow& window, DsContents& contents) {
  FileHandle handle = -1;
  if (std::string reason = openRegularFile(path, handle); !reason.empty()) {
    return fileFault("cannot open the file: " + reason, path);
  }
  DsContents read;
  Status status = readWindow(handle, window, read);
  closeReadFile(handle);
  if (status.ok()) contents = std::move(read);
  return status;
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
