#include "sim/simulator.h"

#include <cmath>
#include <filesystem>
#include <new>
#include <string_view>

#include "export/npy_file.h"
#include "export/number_text.h"
#include "scan/ds_file.h"
#include "scan/output_file.h"
#include "sim/ds_record.h"
#include "sim/kerb_truth.h"
#include "sim/range_measurement.h"
#include "sim/scan_line_caster.h"
#include "sim/simulated_drive.h"

namespace quorvel {

namespace {

using namespace sim;

constexpr char MDL_TEXT[] = "DIR ./\nDS sim.ds\nCALIB sim.cal\n";

constexpr int KERB_TRUTH_VALUES = 8;  // per line: two sides of x, y, z, height

// The line's kerb crossings as KERB_TRUTH_VALUES doubles, NaN where there is none.
void writeKerbTruth(const ScanLineCaster& caster, const TrackPose& pose, double* values) {
  KerbCrossing sides[2];
  findKerbCrossings(caster.candidates(), pose.street, caster.scanPlane(pose), sides);
  for (const KerbCrossing& side : sides) {
    const double found[4] = {side.foot[0], side.foot[1], side.foot[2], side.height};
    for (const double value : found) *values++ = side.found ? value : NAN;
  }
}

// Casts one record's line and appends it to the DS bytes; the classes go to `truthRow` and the
// kerb crossings to `kerbRow` when the line is one that loads.
void simulateRecord(ScanLineCaster& caster, const TrackPose& pose, uint32_t index,
                    RandomStream& measurement, std::vector<unsigned char>& dsBytes,
                    uint8_t* truthRow, double* kerbRow) {
  std::vector<RayHit> hits;
  caster.cast(pose, hits);
  std::vector<int16_t> ranges(hits.size());
  for (size_t s = 0; s < hits.size(); ++s) {
    const RangeReading reading = measureRange(hits[s], measurement);
    ranges[s] = reading.raw;
    if (truthRow) truthRow[s] = static_cast<uint8_t>(reading.surface);
  }
  if (kerbRow) writeKerbTruth(caster, pose, kerbRow);
  appendDsRecord(dsBytes, pose.attitude, pose.position, index, ranges);
}

SimulatedProject buildProject(const SimulationOptions& options) {
  const SimulatedSetup& setup = *findSimulatedSetup(options.resolution);
  const ScanSetup& ds = *findScanSetup(setup.angularResolution, setup.fieldOfView);
  const int records = options.lines + SKIPPED_LEADING_LINES;
  const ScannerMount mount = scannerMount(setup);
  const SimulatedDrive drive =
      planDrive(options.scene, options.seed, records, SKIPPED_LEADING_LINES);
  SimulatedProject project;
  project.mdlText = MDL_TEXT;
  project.calibText = calibrationText(mount);
  project.lines = options.lines;
  project.pointsPerLine = ds.pointsPerLine;
  const size_t points = static_cast<size_t>(ds.pointsPerLine);
  project.truth.resize(static_cast<size_t>(options.lines) * points);
  project.kerbTruth.resize(static_cast<size_t>(options.lines) * KERB_TRUTH_VALUES);
  project.dsBytes.reserve(DS_HEADER_SIZE + static_cast<size_t>(records) * ds.recordSize);
  appendDsHeader({setup.fieldOfView, setup.angularResolution, static_cast<float>(RANGE_UNIT)},
                 project.dsBytes);
  ScanLineCaster caster(drive.scene, mount, setup.angularResolution * DEG_TO_RAD, ds.pointsPerLine);
  RandomStream measurement(options.seed, StreamPurpose::Measurement);
  for (int i = 0; i < records; ++i) {
    const int line = i - SKIPPED_LEADING_LINES;
    const size_t row = static_cast<size_t>(line);
    uint8_t* truthRow = line >= 0 ? project.truth.data() + row * points : nullptr;
    double* kerbRow = line >= 0 ? project.kerbTruth.data() + row * KERB_TRUTH_VALUES : nullptr;
    simulateRecord(caster, drive.track[static_cast<size_t>(i)], static_cast<uint32_t>(i),
                   measurement, project.dsBytes, truthRow, kerbRow);
  }
  return project;
}

}  // namespace

Status checkSimulationOptions(const SimulationOptions& options) {
  if (!isKnownScene(options.scene)) {
    return fault("unknown scene", "\"" + options.scene + "\"",
                 "street, hills, hills-cut or hills-fill");
  }
  if (options.lines < 1 || options.lines > MAX_SIMULATED_LINES) {
    return fault("line count out of range", std::to_string(options.lines),
                 "1 to " + std::to_string(MAX_SIMULATED_LINES));
  }
  if (!findSimulatedSetup(options.resolution)) {
    return fault("unsupported resolution", numberText(options.resolution), "1.0, 0.5 or 0.25");
  }
  return {};
}

Status simulateProject(const SimulationOptions& options, SimulatedProject& project) {
  Status status = checkSimulationOptions(options);
  if (!status.ok()) return status;
  try {
    project = buildProject(options);
  } catch (const std::bad_alloc&) {
    return fault("not enough memory for the simulated scan",
                 std::to_string(options.lines) + " lines");
  }
  return {};
}

Status writeSimulatedProject(const SimulatedProject& project, const std::string& outDir) {
  const std::filesystem::path dir(outDir);
  std::error_code error;
  std::filesystem::create_directories(dir, error);
  if (error) return fault("cannot create the output folder", outDir, {}, error.message());
  const std::string_view dsBytes(reinterpret_cast<const char*>(project.dsBytes.data()),
                                 project.dsBytes.size());
  Status status = writeWholeFile((dir / "sim.mdl").string(), project.mdlText);
  if (status.ok()) status = writeWholeFile((dir / "sim.cal").string(), project.calibText);
  if (status.ok()) status = writeWholeFile((dir / "sim.ds").string(), dsBytes);
  if (!status.ok()) return status;
  const size_t lines = static_cast<size_t>(project.lines);
  const size_t shape[] = {lines, static_cast<size_t>(project.pointsPerLine)};
  status =
      writeNpyFile((dir / "truth.npy").string(), shape, std::span<const uint8_t>(project.truth));
  if (!status.ok()) return status;
  const size_t kerbShape[] = {lines, 2, 4};
  return writeNpyFile((dir / "truth-kerbs.npy").string(), kerbShape,
                      std::span<const double>(project.kerbTruth));
}

}  // namespace quorvel
