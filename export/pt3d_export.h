// The coloured point export: every valid sample outside the mask band as one 32-byte record
// (x, y, z as little-endian doubles, red, green, blue, five zero bytes), scan lines in order and
// samples in order within a line. No header, no count.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "export/export_sources.h"
#include "scan/geometry.h"
#include "scan/scan_store.h"

namespace quorvel {

inline constexpr size_t PT3D_RECORD_SIZE = 32;

struct Rgb {
  uint8_t red = 0, green = 0, blue = 0;
  bool operator==(const Rgb&) const = default;
};

// One channel of a normal colour: |component| x 255, clamped to 0 ... 255 (NaN gives 0) and
// truncated.
uint8_t normalChannel(double component);

// Black without a variance value (NO_VARIANCE); otherwise red |z|, green |y|, blue |x|.
Rgb normalColour(double variance, const Vec3& normal);

// Class 1 green, class 2 red, any other class the normal colour.
Rgb classColour(uint8_t lineClass, double variance, const Vec3& normal);

// The class colour of sample (l, s) of a store that holds its VarianceMap, NormalMap and
// LineSegmentMask: the colour every point export gives the sample.
Rgb sampleClassColour(const ScanStore& store, int32_t l, int32_t s);

std::array<unsigned char, PT3D_RECORD_SIZE> pt3dRecord(const Vec3& point, const Rgb& colour);

// Writes the point file (empty when no scan line is loaded). Fails, writing nothing, when the
// VarianceMap / NormalMap (and for the class colours the LineSegmentMask) of a loaded scan do
// not exist yet, the path has 260 characters or more (the path buffer holds 259 and the
// terminator), or the file cannot be written whole (a previous file then stays as it was).
Status exportPt3dByNormal(const ExportSources& sources, const std::string& path);
Status exportPt3dByClass(const ExportSources& sources, const std::string& path);

// The window's commands 106 and 107 on the process-wide records, with the path chosen in the
// save dialog: 1 when the file was written, 0 when nothing was written, with the reason in
// failure (when given).
int ExportPt3dByNormal(const char* path, Status* failure = nullptr);
int ExportPt3dByClass(const char* path, Status* failure = nullptr);

}  // namespace quorvel
