// The extent of the world points: per-axis maximum and minimum over the valid points of the
// even sample columns of every scan line (no class or mask band test).
#pragma once

#include "export/export_sources.h"
#include "scan/geometry.h"

namespace quorvel {

// 0 with both untouched when the store holds no scan line, else 1. Without any valid point
// the maximum stays -99999999.0 and the minimum 99999999.0 on every axis.
int pointBounds(const ExportSources& sources, Vec3& max, Vec3& min);
int PointBounds(Vec3& max, Vec3& min);  // on the process-wide records

}  // namespace quorvel
