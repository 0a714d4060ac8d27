// The DS scan file: a 12-byte header (field of view, angular resolution, range unit; float32)
// and fixed-size scan-line records to the end of the file. No magic number, no record count.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "scan/scan_store.h"
#include "scan/status.h"

namespace quorvel {

// One of the three accepted scanner set-ups; the header must match one exactly.
struct ScanSetup {
  float angularResolution;  // degrees
  float fieldOfView;        // degrees
  int16_t pointsPerLine;
  int32_t recordSize;  // 52 + 2 * pointsPerLine
};

// The set-up for a header pair (exact float comparison), or none.
const ScanSetup* findScanSetup(float angularResolution, float fieldOfView);

struct DsHeader {
  float fieldOfView = 0;
  float angularResolution = 0;
  float rangeUnit = 0;
};

// A parsed DS file, not yet installed in a store.
struct DsContents {
  DsHeader header;
  ScanSetup setup{};
  std::vector<ScanLine> lines;  // the records after the 200 skipped ones, pose rotations set
  int64_t firstLine = 0;        // the file's scan line that lines[0] is (a window's first)
  int64_t fileLines = 0;        // the scan lines of the whole file
  PoseFaults poseFaults;        // of the lines read, found as in the whole file
};

// Consecutive scan lines of a DS file, counted from 0 after the 200 skipped records.
struct LineWindow {
  int64_t first = 0;
  int64_t count = 0;
};

// Parses DS bytes: rejects a file shorter than its header and an unaccepted set-up, skips the
// first 200 records, keeps a trailing partial record (missing bytes zero; cut inside its pose,
// its pose is rejected), rejects the poses that are not finite and finds the pose faults.
Status parseDsFile(std::span<const unsigned char> bytes, DsContents& contents);

// The records that reading a window takes: the window's lines (cut at the file's end) and
// POSE_CONTEXT_LINES more on each side, whose poses decide which of the window's are glitches.
struct WindowRecords {
  int64_t first = 0, end = 0;          // the window's lines first ... end - 1
  int64_t readFirst = 0, readEnd = 0;  // the lines read
};
WindowRecords windowRecords(const LineWindow& window, int64_t fileLines);

// The window's lines with their pose faults from the records of lines readFirst ... readEnd - 1
// (a trailing partial record included) of a file of fileLines lines and fileSize bytes.
Status parseWindowRecords(std::span<const unsigned char> records, const WindowRecords& window,
                          int64_t fileLines, uint64_t fileSize, size_t recordSize,
                          DsContents& contents);

// Zero-filled scan lines; fails instead of throwing when the memory cannot be had.
Status allocateScanLines(size_t count, std::vector<ScanLine>& lines);

// Releases the store's previous scan and every derived buffer, then takes the new scan.
void installDsContents(ScanStore& store, DsContents&& contents);

// Reads and parses a DS file without installing it.
Status readDsContents(const std::string& path, DsContents& contents);

// Reads the header and only the records of the window (cut at the file's end), seeking past
// all others, so that memory follows the window, not the file; the pose faults of its lines are
// found from POSE_CONTEXT_LINES more on each side. A window of 0 lines reads the header and
// counts the file's lines.
Status readDsLineWindow(const std::string& path, const LineWindow& window, DsContents& contents);

// Reads, parses and installs a DS file. On failure the store is unchanged, header included.
Status readDsFile(const std::string& path, ScanStore& store);
int loadDsFile(const char* path);  // 1 / 0 on the process-wide store

// Writes the 12-byte header as a DS file starts with it.
void appendDsHeader(const DsHeader& header, std::vector<unsigned char>& out);

}  // namespace quorvel
