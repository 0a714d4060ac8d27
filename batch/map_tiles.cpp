#include "batch/map_tiles.h"

#include <gdal.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>
#include <vector>

#include "batch/colour_ramp.h"
#include "export/gdal_session.h"
#include "export/png_file.h"
#include "scan/output_file.h"
#include "scan/parallel_for.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;
using Palette = std::array<std::array<unsigned char, 4>, 256>;

constexpr size_t TILE_CELLS = size_t{PAGE_TILE_PIXELS} * PAGE_TILE_PIXELS;
constexpr double HEIGHT_STEPS = 254.0;  // palette entries 1 ... 255 span the height ramp

// A mosaic open for reading; closed with it.
struct Mosaic {
  GDALDatasetH dataset = nullptr;
  GDALRasterBandH band = nullptr;
  int levels = 0;  // the full level and its overviews
  ~Mosaic() {
    if (dataset) GDALClose(dataset);
  }
  GDALRasterBandH level(int k) const { return k == 0 ? band : GDALGetOverview(band, k - 1); }
};

Status openMosaic(const std::string& path, Mosaic& mosaic) {
  registerGdalGeoTiff();
  GdalErrorTrap trap;
  const char* const drivers[] = {"GTiff", nullptr};
  mosaic.dataset =
      GDALOpenEx(path.c_str(), GDAL_OF_RASTER | GDAL_OF_READONLY, drivers, nullptr, nullptr);
  if (!mosaic.dataset) return trap.fault("cannot open the mosaic", path);
  mosaic.band = GDALGetRasterBand(mosaic.dataset, 1);
  mosaic.levels = 1 + GDALGetOverviewCount(mosaic.band);
  return {};
}

// What a layer shows and how its cells become palette indices.
struct Layer {
  std::string name;
  const Mosaic* mosaic = nullptr;
  bool counts = true;  // cells are counts (bytes), else heights (Float32, NaN for none)
  ColourRamp ramp;
  Palette palette{};
  json tiles = json::array();  // "Z/X/Y" of every tile written
};

Palette paletteOf(const ColourRamp& ramp, bool counts) {
  Palette palette{};  // entry 0 transparent
  const double lo = ramp.stops.front().value, hi = ramp.stops.back().value;
  for (int i = 1; i < 256; ++i) {
    const double value = counts ? i : lo + (hi - lo) * (i - 1) / HEIGHT_STEPS;
    const Rgb rgb = rampColour(ramp, value);
    palette[static_cast<size_t>(i)] = {rgb[0], rgb[1], rgb[2], 255};
  }
  return palette;
}

// The heights the ramp spans: those of the coarsest level (a mean of the cells below it).
void heightSpan(const Mosaic& mosaic, double& lo, double& hi) {
  GdalErrorTrap trap;  // a level without heights has no minimum: the ramp then spans 0 ... 1
  double range[2] = {0.0, 1.0};
  GDALComputeRasterMinMax(mosaic.level(mosaic.levels - 1), FALSE, range);
  lo = std::isfinite(range[0]) ? range[0] : 0.0;
  hi = std::isfinite(range[1]) && range[1] > lo ? range[1] : lo + 1.0;
}

// Reads a block of level k into indices (512 x 512, 0 beyond the level); false when it holds
// nothing to show.
bool readTile(const Layer& layer, GDALRasterBandH band, int x0, int y0, int w, int h,
              std::vector<unsigned char>& indices, std::vector<float>& heights) {
  std::fill(indices.begin(), indices.end(), 0);
  if (layer.counts) {
    if (GDALRasterIO(band, GF_Read, x0, y0, w, h, indices.data(), w, h, GDT_Byte, 1,
                     PAGE_TILE_PIXELS) != CE_None) {
      return false;
    }
  } else {
    std::fill(heights.begin(), heights.end(), std::nanf(""));
    if (GDALRasterIO(band, GF_Read, x0, y0, w, h, heights.data(), w, h, GDT_Float32, 4,
                     4 * PAGE_TILE_PIXELS) != CE_None) {
      return false;
    }
    const double lo = layer.ramp.stops.front().value, hi = layer.ramp.stops.back().value;
    for (size_t i = 0; i < TILE_CELLS; ++i) {
      if (std::isnan(heights[i])) continue;
      const double t = std::clamp((heights[i] - lo) / (hi - lo), 0.0, 1.0);
      indices[i] = static_cast<unsigned char>(1 + std::lround(t * HEIGHT_STEPS));
    }
  }
  return std::any_of(indices.begin(), indices.end(), [](unsigned char v) { return v != 0; });
}

// A tile read and waiting to be written.
struct PendingTile {
  int z = 0, x = 0, y = 0;
  std::vector<unsigned char> indices = std::vector<unsigned char>(TILE_CELLS);
};

// The folders the tiles go to, made on the way; each is synced once all its tiles are written.
struct TileFolders {
  std::string root;  // this merge's folder of tiles
  std::set<std::string> made;

  Status columnOf(const Layer& layer, const PendingTile& tile, std::string& column) {
    const std::string layerFolder = root + "/" + layer.name;
    const std::string zoomFolder = layerFolder + "/" + std::to_string(tile.z);
    column = zoomFolder + "/" + std::to_string(tile.x);
    if (made.count(column)) return {};
    std::error_code error;
    std::filesystem::create_directories(column, error);
    if (error) return fileFault(error.message(), column);
    made.insert({root, layerFolder, zoomFolder, column});
    return {};
  }
};

// Writes the tiles (on the worker threads: each is its own file in a folder nothing names yet)
// and lists them in the layer.
Status writeTiles(Layer& layer, TileFolders& folders, std::vector<PendingTile>& pending,
                  size_t count) {
  std::vector<std::string> paths(count);
  for (size_t k = 0; k < count; ++k) {
    std::string column;
    if (Status status = folders.columnOf(layer, pending[k], column); !status.ok()) return status;
    paths[k] = column + "/" + std::to_string(pending[k].y) + ".png";
  }
  std::vector<Status> written(count);
  const PngFormat format{PAGE_TILE_PIXELS, PAGE_TILE_PIXELS, layer.palette};
  parallelFor(count, parallelOptions, [&](size_t begin, size_t end) {
    for (size_t k = begin; k < end; ++k) {
      const std::vector<unsigned char>& indices = pending[k].indices;
      written[k] = writePng(
          paths[k], format,
          [&](int32_t row, std::span<unsigned char> bytes) {
            std::copy_n(indices.begin() + static_cast<ptrdiff_t>(row) * PAGE_TILE_PIXELS,
                        bytes.size(), bytes.begin());
          },
          WriteMode::FreshFolder);
    }
  });
  for (size_t k = 0; k < count; ++k) {
    if (!written[k].ok()) return written[k];
    layer.tiles.push_back(std::to_string(pending[k].z) + "/" + std::to_string(pending[k].x) + "/" +
                          std::to_string(pending[k].y));
  }
  return {};
}

// Every tile of the layer that holds data, level by level: read here, a few dozen at a time,
// and written on the worker threads.
Status writeLayerTiles(TileFolders& folders, const std::string& path, Layer& layer) {
  std::vector<PendingTile> pending(size_t{8} * static_cast<size_t>(workerCount(parallelOptions)));
  size_t count = 0;
  std::vector<float> heights(layer.counts ? 0 : TILE_CELLS);
  const Mosaic& mosaic = *layer.mosaic;
  GdalErrorTrap trap;
  for (int k = 0; k < mosaic.levels; ++k) {
    GDALRasterBandH band = mosaic.level(k);
    const int width = GDALGetRasterBandXSize(band), length = GDALGetRasterBandYSize(band);
    const int z = mosaic.levels - 1 - k;
    for (int y0 = 0; y0 < length; y0 += PAGE_TILE_PIXELS) {
      for (int x0 = 0; x0 < width; x0 += PAGE_TILE_PIXELS) {
        const int w = std::min(PAGE_TILE_PIXELS, width - x0);
        const int h = std::min(PAGE_TILE_PIXELS, length - y0);
        if (GDALGetDataCoverageStatus(band, x0, y0, w, h, 0, nullptr) ==
            GDAL_DATA_COVERAGE_STATUS_EMPTY) {
          continue;
        }
        PendingTile& tile = pending[count];
        const bool shown = readTile(layer, band, x0, y0, w, h, tile.indices, heights);
        // Each block is read once: GDAL's block cache (5 % of the machine's memory) would only
        // keep every block read until the end of the layer.
        GDALFlushRasterCache(band);
        if (!shown) {
          if (trap.failed()) return trap.fault("cannot read the mosaic", path);
          continue;
        }
        tile.z = z;
        tile.x = x0 / PAGE_TILE_PIXELS;
        tile.y = y0 / PAGE_TILE_PIXELS;
        if (++count < pending.size()) continue;
        if (Status status = writeTiles(layer, folders, pending, count); !status.ok()) {
          return status;
        }
        count = 0;
      }
    }
  }
  return writeTiles(layer, folders, pending, count);
}

std::string hexColour(const Rgb& rgb) {
  char text[8];
  std::snprintf(text, sizeof text, "#%02x%02x%02x", rgb[0], rgb[1], rgb[2]);
  return text;
}

json layerJson(const Layer& layer) {
  json stops = json::array();
  for (const RampStop& stop : layer.ramp.stops)
    stops.push_back({stop.value, hexColour(stop.colour)});
  json entry = {{"name", layer.name},
                {"title", layer.counts ? "Points per cell" : "Road height"},
                {"unit", layer.counts ? "" : "m"},
                {"scale", layer.ramp.logScale ? "log" : "linear"},
                {"stops", stops},
                {"tiles", layer.tiles}};
  if (!layer.counts) {
    entry["note"] =
        "The ramp spans the heights of the most zoomed-out view; heights beyond it "
        "take its end colours.";
  }
  return entry;
}

// A folder of its own for this merge's tiles, so that those of an earlier one stay whole until
// tiles.js no longer names them.
std::string freshFolder(const std::string& tilesRoot) {
  std::string stamp = std::to_string(std::time(nullptr));
  for (int n = 1; std::filesystem::exists(tilesRoot + "/" + stamp); ++n) {
    stamp = std::to_string(std::time(nullptr)) + "-" + std::to_string(n);
  }
  return stamp;
}

void removeOtherFolders(const std::string& tilesRoot, const std::string& kept) {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(tilesRoot, error)) {
    if (entry.path().filename() != kept) std::filesystem::remove_all(entry.path(), error);
  }
}

}  // namespace

Status writeMapTiles(const std::string& dir, const PageMosaics& mosaics,
                     const std::string& tilesScript) {
  Mosaic counts, heights;
  std::vector<Layer> layers;
  if (mosaics.counts) {
    if (Status status = openMosaic(*mosaics.counts, counts); !status.ok()) return status;
    layers.push_back({"count", &counts, true, countRamp(), {}, json::array()});
  }
  if (mosaics.heights) {
    if (Status status = openMosaic(*mosaics.heights, heights); !status.ok()) return status;
    double lo = 0.0, hi = 1.0;
    heightSpan(heights, lo, hi);
    layers.push_back({"height", &heights, false, heightRamp(lo, hi), {}, json::array()});
  }
  const std::string root = dir + "/view/tiles";
  const std::string stamp = freshFolder(root);
  TileFolders folders{root + "/" + stamp, {}};
  json data = {{"folder", "view/tiles/" + stamp},
               {"tileSize", PAGE_TILE_PIXELS},
               {"levels", layers.empty() ? 0 : layers.front().mosaic->levels},
               {"layers", json::array()}};
  for (Layer& layer : layers) {
    layer.palette = paletteOf(layer.ramp, layer.counts);
    const std::string path = layer.counts ? *mosaics.counts : *mosaics.heights;
    if (Status status = writeLayerTiles(folders, path, layer); !status.ok()) return status;
    data["layers"].push_back(layerJson(layer));
  }
  if (!folders.made.empty()) folders.made.insert(root);  // the new folder's entry
  const std::vector<std::string> made(folders.made.begin(), folders.made.end());
  if (Status status = syncFolders(made); !status.ok()) return status;
  Status status = writeWholeFile(tilesScript, "window.QUORVEL_TILES = " + data.dump() + ";\n");
  if (status.ok()) removeOtherFolders(root, stamp);
  return status;
}

}  // namespace quorvel::batch
