// Fuzz target: DS file bytes, then what a load leads to: point reconstruction of every sample
// and the range and contour pictures of what loaded. The first input byte chooses the file:
// 0 takes the rest as it is; anything else takes the rest as a header followed by the records
// after the 200 that are never loaded (the target puts them in), so that small inputs reach
// the scan lines.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "render/contour_picture.h"
#include "render/range_picture.h"
#include "scan/ds_file.h"
#include "scan/point_reconstruction.h"

using namespace quorvel;

namespace {

std::vector<unsigned char> fileOf(const uint8_t* data, size_t size) {
  if (size == 0 || data[0] == 0) return {data + (size ? 1 : 0), data + size};
  std::vector<unsigned char> file(data + 1, data + std::min<size_t>(size, 1 + DS_HEADER_SIZE));
  if (file.size() < DS_HEADER_SIZE) return file;
  float resolution, fieldOfView;
  std::memcpy(&fieldOfView, file.data(), 4);
  std::memcpy(&resolution, file.data() + 4, 4);
  const ScanSetup* setup = findScanSetup(resolution, fieldOfView);
  if (setup) file.resize(file.size() + SKIPPED_LEADING_LINES * setup->recordSize, 0);
  file.insert(file.end(), data + 1 + DS_HEADER_SIZE, data + size);
  return file;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::vector<unsigned char> file = fileOf(data, size);
  DsContents contents;
  if (!parseDsFile(file, contents).ok()) return 0;
  ScanStore store;
  installDsContents(store, std::move(contents));
  SensorCalib calib;
  makeCalibRotation(calib.rotation, 0.1, -0.2, 0.3);
  for (int32_t l = -1; l <= store.lineCount; ++l) {
    for (int32_t s = -1; s <= store.pointsPerLine; ++s) {
      Vec3 world;
      Vec2 scan;
      SampleToWorldPoint(store, calib, l, s, world);
      SampleToScanPoint(store, l, s, scan);
    }
  }
  BitmapTileStore tiles;
  const ParallelOptions oneThread{1};
  buildRangePicture(tiles, store, RenderParams{}, MaskRange{3, 9}, oneThread);
  buildContourPicture(tiles, store, calib, RenderParams{}, oneThread);
  freeBitmapTiles(tiles);
  return 0;
}
