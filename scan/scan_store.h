// The loaded scan: DS header values, the scan lines with their pose rotations, and every
// per-sample buffer the stages derive from them. One process-wide instance, `scanStore`.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

#include "scan/derived_buffers.h"
#include "scan/geometry.h"
#include "scan/pose_faults.h"

namespace quorvel {

inline constexpr int MAX_LINE_SAMPLES = 722;
inline constexpr int SKIPPED_LEADING_LINES = 200;  // records after the header that never load
inline constexpr int DS_HEADER_SIZE = 12;
inline constexpr int DS_RECORD_FIXED_SIZE = 52;  // attitude, position, reserved

// One scan line. Everything up to the end of `range` is the DS file record byte for byte
// (little-endian host): the loader copies a record straight into the start of a ScanLine.
struct ScanLine {
  Vec3 attitude;                    // vehicle rotation about x, y, z; radians
  Vec3 position;                    // vehicle position; length unit of the ranges
  uint8_t reserved[4];              // not interpreted; written back unchanged
  int16_t range[MAX_LINE_SAMPLES];  // raw samples; the first pointsPerLine come from the file
  Mat3 rotation;                    // RotX(ax) RotY(ay) RotZ(az), computed at load
  // The pose holds a NaN or an infinity, was cut off with the file, or is a pose glitch the user
  // chose to drop: no sample of the line has a point (its ranges still make the range image).
  bool poseRejected;
};

static_assert(std::endian::native == std::endian::little, "DS records are little-endian");
static_assert(offsetof(ScanLine, attitude) == 0);
static_assert(offsetof(ScanLine, position) == 24);
static_assert(offsetof(ScanLine, reserved) == 48);
static_assert(offsetof(ScanLine, range) == DS_RECORD_FIXED_SIZE);
static_assert(offsetof(ScanLine, rotation) == DS_RECORD_FIXED_SIZE + 2 * MAX_LINE_SAMPLES);

struct ScanStore {
  // DS header values as read.
  float fieldOfView = 0;        // degrees
  float angularResolution = 0;  // degrees between neighbouring samples
  float rangeUnit = 0;          // raw value per length unit
  double angularStep = 0;       // radians: angularResolution * DEG_TO_RAD
  double startAngle = 0;        // radians; always 0.0
  int16_t pointsPerLine = 0;    // P
  int32_t recordSize = 0;       // 52 + 2 * P bytes

  std::optional<std::vector<ScanLine>> lines;  // none until a DS file loads
  int32_t lineCount = 0;                       // L, the usable lines
  int64_t firstLine = 0;  // the DS file's scan line that lines[0] is (a window's first)
  PoseFaults poseFaults;  // of the loaded lines, in the file's scan line numbers

  // Buffers derived from the lines; each is none or sized for lineCount x pointsPerLine.
  std::optional<std::vector<double>> varianceMap;                // sample-major s * L + l
  std::optional<std::vector<Vec3>> normalMap;                    // sample-major
  std::optional<std::vector<uint16_t>> labelMap;                 // sample-major
  std::optional<std::vector<SegmentRecord>> segmentTable;        // MAX_SEGMENTS records
  std::optional<std::vector<uint8_t>> lineSegmentMask;           // line-major l * P + s
  std::optional<std::vector<LineSegmentList>> lineSegmentLists;  // one list per scan line
  std::optional<std::vector<uint8_t>> surfaceClassMap;           // line-major l * P + s
  std::optional<std::vector<KerbFoot>> kerbFeet;  // per line: right kerb, then left kerb
};

extern ScanStore scanStore;  // the process-wide store

void initScanStore(ScanStore& store);          // no lines, no buffers; header values untouched
void freeScanStore(ScanStore& store);          // releases lines and every derived buffer
void releaseDerivedBuffers(ScanStore& store);  // every derived buffer; the lines stay
void initScanStore();
void freeScanStore();

// rotation = RotX(ax) RotY(ay) RotZ(az); a zero angle contributes no factor.
void makePoseRotation(Mat3& rotation, double ax, double ay, double az);

}  // namespace quorvel
