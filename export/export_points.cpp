#include "export/export_points.h"

#include <cmath>
#include <cstdio>

namespace quorvel {

bool isFinitePoint(const Vec3& point) {
  return std::isfinite(point[0]) && std::isfinite(point[1]) && std::isfinite(point[2]);
}

std::string pointPlace(const ExportSources& sources, int32_t l, int32_t s) {
  return "scan line " + std::to_string(int64_t{sources.firstLine} + l) + ", sample " +
         std::to_string(s);
}

Status nonFinitePointFault(const ExportSources& sources, int32_t l, int32_t s, const Vec3& point) {
  char value[128];
  std::snprintf(value, sizeof value, "%g %g %g", point[0], point[1], point[2]);
  return fault("point coordinate not finite", value, "finite numbers", pointPlace(sources, l, s));
}

}  // namespace quorvel
