// Picture build times on the 20 000-line benchmark scan: the range picture, and the contour
// picture with its point cache against the literal nine evaluations per pixel.
#include <benchmark/benchmark.h>

#include "bench/bench_scan.h"
#include "render/contour_picture.h"
#include "render/range_picture.h"
#include "tests/reference/contour_reference.h"

namespace quorvel::bench {
namespace {

void BM_RangePicture(benchmark::State& state) {
  const BenchScan& scan = benchScan();
  BitmapTileStore tiles;
  for (auto _ : state) {
    buildRangePicture(tiles, scan.store, RenderParams{}, MaskRange{},
                      ParallelOptions{static_cast<int>(state.range(0))});
  }
  freeBitmapTiles(tiles);
}
BENCHMARK(BM_RangePicture)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ContourPicture(benchmark::State& state) {
  const BenchScan& scan = benchScan();
  BitmapTileStore tiles;
  for (auto _ : state) {
    buildContourPicture(tiles, scan.store, scan.calib, RenderParams{},
                        ParallelOptions{static_cast<int>(state.range(0))});
  }
  freeBitmapTiles(tiles);
}
BENCHMARK(BM_ContourPicture)->Arg(1)->Arg(0)->Unit(benchmark::kMillisecond);

void BM_ContourPictureLiteral(benchmark::State& state) {
  const BenchScan& scan = benchScan();
  BitmapTileStore tiles;
  const RenderParams params;
  reference::LiteralContourPainter painter{scan.store, scan.calib, params};
  const ParallelOptions one{1};
  for (auto _ : state) {
    buildMeshTiles(tiles, scan.store, true, {params, MaskRange{}, false, one}, painter);
  }
  freeBitmapTiles(tiles);
}
BENCHMARK(BM_ContourPictureLiteral)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench

BENCHMARK_MAIN();
