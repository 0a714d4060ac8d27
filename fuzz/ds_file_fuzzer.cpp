// Fuzz target: DS file bytes through the loader and the point reconstruction. Parses the file,
// finds its pose faults, reconstructs samples of every line (and the indices just outside the
// store) and checks what must hold whatever the bytes: a sample has a scan point exactly when it
// has a world point, never on a line whose pose is rejected, and then a finite one, the same bits
// through the point table as through SampleToWorldPoint; a window of the file parsed from its
// records, as a batch task reads it, gives the whole file's lines and pose faults; dropped glitches
// give no points. The first input byte chooses the file: bit 0 clear takes the rest as it is, set
// takes the rest as a header followed by the records after the 200 that are never loaded (the
// target puts them in), so that small inputs reach the scan lines; the other bits place the
// window.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "scan/ds_file.h"
#include "scan/farthest_lines.h"
#include "scan/point_reconstruction.h"
#include "scan/pose_glitches.h"

using namespace quorvel;

namespace {

void check(bool holds) {
  if (!holds) std::abort();
}

// The file in a buffer kept from input to input: a fresh one would cost the pages of the 200
// skipped records on every run.
const std::vector<unsigned char>& fileOf(const uint8_t* data, size_t size) {
  static std::vector<unsigned char> file;
  file.clear();
  if (size == 0 || (data[0] & 1) == 0) {
    file.insert(file.end(), data + (size ? 1 : 0), data + size);
    return file;
  }
  file.insert(file.end(), data + 1, data + std::min<size_t>(size, 1 + DS_HEADER_SIZE));
  if (file.size() < DS_HEADER_SIZE) return file;
  float resolution, fieldOfView;
  std::memcpy(&fieldOfView, file.data(), 4);
  std::memcpy(&resolution, file.data() + 4, 4);
  const ScanSetup* setup = findScanSetup(resolution, fieldOfView);
  if (setup) file.resize(file.size() + SKIPPED_LEADING_LINES * setup->recordSize, 0);
  file.insert(file.end(), data + 1 + DS_HEADER_SIZE, data + size);
  return file;
}

bool sameRuns(const std::vector<LineRun>& a, const std::vector<LineRun>& b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](const LineRun& x, const LineRun& y) {
    return x.first == y.first && x.count == y.count;
  });
}

bool sameFaults(const PoseFaults& a, const PoseFaults& b) {
  const bool sameCut = a.cutRecord.has_value() == b.cutRecord.has_value() &&
                       (!a.cutRecord || (a.cutRecord->wholeRecords == b.cutRecord->wholeRecords &&
                                         a.cutRecord->leftOverBytes == b.cutRecord->leftOverBytes &&
                                         a.cutRecord->poseCut == b.cutRecord->poseCut));
  return sameCut && sameRuns(a.nonFinite, b.nonFinite) && sameRuns(a.glitches, b.glitches);
}

// The window parsed from the file's records equals the whole file's lines and faults there.
void checkWindow(const std::vector<unsigned char>& file, const DsContents& whole, uint8_t mode) {
  const LineWindow window{(mode >> 1) % (whole.fileLines + 1), 1 + (mode >> 5)};
  const WindowRecords read = windowRecords(window, whole.fileLines);
  const size_t recordSize = static_cast<size_t>(whole.setup.recordSize);
  const size_t start = DS_HEADER_SIZE + (SKIPPED_LEADING_LINES + read.readFirst) * recordSize;
  const size_t length = std::min((read.readEnd - read.readFirst) * recordSize,
                                 file.size() - std::min(start, file.size()));
  DsContents part;
  if (!parseWindowRecords(std::span(file).subspan(std::min(start, file.size()), length), read,
                          whole.fileLines, file.size(), recordSize, part)
           .ok()) {
    return;  // out of memory
  }
  check(static_cast<int64_t>(part.lines.size()) == read.end - read.first);
  for (size_t i = 0; i < part.lines.size(); ++i) {
    const ScanLine& a = part.lines[i];
    const ScanLine& b = whole.lines[static_cast<size_t>(read.first) + i];
    check(std::memcmp(&a, &b, recordSize) == 0 && a.poseRejected == b.poseRejected);
  }
  check(sameFaults(part.poseFaults, faultsWithin(whole.poseFaults, read.first, read.end)));
}

// The samples of each line that are checked: the first and last two, the indices just outside
// the line, and every fifth in between, shifted by one from line to line. All samples of a line
// run the same code on their own raw value; checking a fifth of them keeps each input cheap
// while every column is checked on some line.
bool checkedSample(int32_t l, int32_t s, int32_t points) {
  return s <= 1 || s >= points - 2 || (s + l) % 5 == 0;
}

// Through the point table, SampleToWorldPoint and SampleToScanPoint, for the indices just
// outside the store too.
void checkPoints(const ScanStore& store, const SensorCalib& calib) {
  const WorldPoints table(store, calib);
  for (int32_t l = -1; l <= store.lineCount; ++l) {
    const bool rejected = l >= 0 && l < store.lineCount && (*store.lines)[size_t(l)].poseRejected;
    for (int32_t s = -1; s <= store.pointsPerLine; ++s) {
      if (!checkedSample(l, s, store.pointsPerLine)) continue;
      Vec3 tabled{}, world{};
      Vec2 scan;
      const bool hasPoint = table(l, s, tabled);
      check(SampleToWorldPoint(store, calib, l, s, world) == hasPoint);
      check(SampleToScanPoint(store, l, s, scan) == hasPoint);
      if (!hasPoint) continue;
      check(!rejected && std::memcmp(&world, &tabled, sizeof world) == 0);
      check(std::isfinite(world[0]) && std::isfinite(world[1]) && std::isfinite(world[2]));
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<unsigned char>& file = fileOf(data, size);
  DsContents contents;
  if (!parseDsFile(file, contents).ok()) return 0;
  checkWindow(file, contents, size > 0 ? data[0] : 0);
  ScanStore store;
  installDsContents(store, std::move(contents));
  SensorCalib calib;
  makeCalibRotation(calib.rotation, 0.1, -0.2, 0.3);
  calib.translation = {0.5, -1.5, 2.0};
  checkPoints(store, calib);
  farthestLines(store, 5);
  dropPoseGlitches(store);
  for (const LineRun& run : store.poseFaults.glitches) {
    for (int64_t line = run.first; line < run.first + run.count; ++line) {
      for (int32_t s = 0; s < store.pointsPerLine; ++s) {
        Vec3 point;
        check(!SampleToWorldPoint(store, calib, static_cast<int32_t>(line), s, point));
      }
    }
  }
  return 0;
}
