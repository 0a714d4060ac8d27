// The contour picture: the range picture with depth edges in red. A sample is red when two or
// more of its eight neighbours have no point, or one neighbour's point lies EDGE_DIST or more
// away; white on the border of the grid and where it has no point; grey otherwise. The mask
// band is not used.
//
// The world points of the lines a tile shows (and one line either side) are computed once per
// build into a cache that slides from tile to tile, instead of nine times per pixel.
#pragma once

#include <cstdint>
#include <vector>

#include "render/mesh_builder.h"
#include "scan/calib_file.h"

namespace quorvel {

inline constexpr double EDGE_DIST = 1.0;  // length unit of the scan

// World points of the scan lines first ... last, computed in parallel.
struct WorldPointWindow {
  int32_t firstLine = 0;
  int32_t lastLine = -1;
  std::vector<Vec3> points;    // (l - firstLine) * P + s
  std::vector<uint8_t> valid;  // 1 where the sample has a point

  // Moves the window to first ... last, keeping the points it already holds.
  void moveTo(int32_t first, int32_t last, const ScanStore& store, const SensorCalib& calib,
              const ParallelOptions& parallel);
  bool point(const ScanStore& store, int32_t l, int32_t s, Vec3& p) const;
};

struct ContourPainter {
  const ScanStore& store;
  const SensorCalib& calib;
  const RenderParams& params;
  const ParallelOptions& parallel;
  WorldPointWindow window;

  void prepareTile(int32_t firstLine, int32_t lastLine);
  void paint(int32_t l, int32_t s, uint8_t* bgr) const;
};

int buildContourPicture(BitmapTileStore& tiles, const ScanStore& store, const SensorCalib& calib,
                        const RenderParams& params, const ParallelOptions& parallel);
int Contour2MeshBmp();  // on the process-wide records; 1 built, 0 not

}  // namespace quorvel
