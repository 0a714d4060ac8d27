#include "export/cog_writer.h"

#include <cpl_string.h>
#include <gdal.h>

#include <algorithm>
#include <memory>

#include "export/epsg_crs.h"
#include "export/gdal_session.h"
#include "scan/output_file.h"

namespace quorvel {

namespace {

struct DatasetClose {
  void operator()(GDALDatasetH dataset) const { GDALClose(dataset); }
};
using Dataset = std::unique_ptr<void, DatasetClose>;

using Tiles = std::vector<TileIndex>;
using TileReader = std::function<Status(TileIndex tile, std::span<unsigned char> cells)>;

// Files up to this size stay classic TIFF (32-bit offsets), with room for the directories.
constexpr uint64_t CLASSIC_TIFF_BYTES = (uint64_t{1} << 32) - (uint64_t{1} << 28);

const char* const TILE_OPTIONS[] = {"TILED=YES", "BLOCKXSIZE=512", "BLOCKYSIZE=512",
                                    "SPARSE_OK=TRUE"};
static_assert(TILE_CELLS == 512);
// Chosen by measurement on the mosaics of a 100 000-line drive: ZSTD (GDAL's level 9) without a
// predictor gave the smallest counts and, within 7 %, the smallest heights at the least time.
// DEFLATE was 5 to 15 % larger; the floating-point predictor made the heights 39 % larger (the
// tasks' quantised heights repeat exactly, differences do not); lossless LERC_DEFLATE was 11 %
// smaller but took half as long again, and only GDAL reads LERC.
const char* const COMPRESSION[] = {"COMPRESS=ZSTD", "NUM_THREADS=ALL_CPUS"};
// The overviews' temporary file is written once and read once: the fastest level.
const char* const STORE_COMPRESSION[] = {"COMPRESS=ZSTD", "ZSTD_LEVEL=1"};

// The creation options: tiles, whether the file is a BigTIFF, and the compression.
CPLStringList creationOptions(bool bigTiff, std::span<const char* const> compression) {
  CPLStringList options;
  for (const char* option : TILE_OPTIONS) options.AddString(option);
  options.AddString(bigTiff ? "BIGTIFF=YES" : "BIGTIFF=NO");
  for (const char* option : compression) options.AddString(option);
  return options;
}

// A band of a pyramid file whose main image is level `first`: later levels are its overviews.
GDALRasterBandH levelBand(GDALDatasetH dataset, size_t first, size_t level) {
  GDALRasterBandH band = GDALGetRasterBand(dataset, 1);
  return level == first ? band : GDALGetOverview(band, static_cast<int>(level - first - 1));
}

// A tiled sparse GeoTIFF of levels[first] with empty overviews for every later level.
Dataset createPyramidFile(const std::string& path, const std::vector<LevelSize>& levels,
                          size_t first, GridCells type, const CPLStringList& options,
                          const std::function<void(GDALDatasetH)>& describe) {
  GDALDriverH driver = GDALGetDriverByName("GTiff");
  Dataset dataset(GDALCreate(driver, path.c_str(), static_cast<int>(levels[first].width),
                             static_cast<int>(levels[first].length), 1,
                             type == GridCells::Float32 ? GDT_Float32 : GDT_Byte, options.List()));
  if (!dataset) return nullptr;
  describe(dataset.get());
  std::vector<int> factors;
  for (size_t level = first + 1; level < levels.size(); ++level) {
    factors.push_back(1 << (level - first));
  }
  if (!factors.empty() &&
      GDALBuildOverviews(dataset.get(), "NONE", static_cast<int>(factors.size()), factors.data(), 0,
                         nullptr, nullptr, nullptr) != CE_None) {
    return nullptr;
  }
  for (size_t level = first; level < levels.size(); ++level) {  // as tile_pyramid.h has them
    GDALRasterBandH band = levelBand(dataset.get(), first, level);
    int width = 0, length = 0;
    GDALGetBlockSize(band, &width, &length);
    if (width != TILE_CELLS || length != TILE_CELLS ||
        GDALGetRasterBandXSize(band) != levels[level].width ||
        GDALGetRasterBandYSize(band) != levels[level].length) {
      return nullptr;
    }
  }
  return dataset;
}

// Makes the tiles of a level from those of the level below (children, sorted) and writes those
// that hold data to out; kept: the children that held data, made: the tiles written.
Status makeLevel(const Tiles& children, LevelSize childLevel, const TileReader& readChild,
                 GDALRasterBandH out, const TileCells& cells, Tiles& kept, Tiles& made) {
  std::vector<unsigned char> child(tileBytes(cells.type)), parent(child.size());
  for (const TileIndex& tile : parentTiles(children)) {
    clearTile(parent, cells);
    for (int quarter = 0; quarter < 4; ++quarter) {
      const TileIndex below{2 * tile.row + quarter / 2, 2 * tile.column + quarter % 2};
      if (!std::binary_search(children.begin(), children.end(), below)) continue;
      clearTile(child, cells);
      if (Status status = readChild(below, child); !status.ok()) return status;
      if (isEmptyTile(child, cells)) continue;
      kept.push_back(below);
      downsampleIntoParent(child, below, childLevel, parent, cells);
    }
    if (isEmptyTile(parent, cells)) continue;
    if (GDALWriteBlock(out, tile.column, tile.row, parent.data()) != CE_None) {
      return fault("cannot write a tile");
    }
    made.push_back(tile);
  }
  std::sort(kept.begin(), kept.end());
  return {};
}

TileReader blockReader(GDALRasterBandH band) {
  return [band](TileIndex tile, std::span<unsigned char> cells) {
    return GDALReadBlock(band, tile.column, tile.row, cells.data()) == CE_None
               ? Status{}
               : fault("cannot read a tile");
  };
}

// Every overview level into the store (its main image is level 1); stored[k]: the tiles of level
// k that hold data, level 0's among the candidates.
Status buildOverviews(GDALDatasetH store, const std::vector<LevelSize>& levels,
                      const Tiles& candidates, const CogSource& source, const TileCells& cells,
                      std::vector<Tiles>& stored) {
  for (size_t level = 1; level < levels.size(); ++level) {
    const bool first = level == 1;
    Tiles kept;
    Status status = makeLevel(first ? candidates : stored[level - 1], levels[level - 1],
                              first ? source.fill : blockReader(levelBand(store, 1, level - 1)),
                              levelBand(store, 1, level), cells, kept, stored[level]);
    if (!status.ok()) return status;
    if (first) stored[0] = std::move(kept);
  }
  return {};
}

// Whether the stored tiles and every tile's offset and size could pass a classic TIFF's 4 GiB.
bool needsBigTiff(const std::vector<LevelSize>& levels, const std::vector<Tiles>& stored,
                  GridCells type) {
  uint64_t bytes = 0;
  for (size_t level = 0; level < levels.size(); ++level) {
    const uint64_t rows = (levels[level].length + TILE_CELLS - 1) / TILE_CELLS;
    const uint64_t columns = (levels[level].width + TILE_CELLS - 1) / TILE_CELLS;
    // A compressed tile exceeds its cells by a little at worst.
    bytes +=
        stored[level].size() * (tileBytes(type) + tileBytes(type) / 64 + 1024) + rows * columns * 8;
  }
  return bytes > CLASSIC_TIFF_BYTES;
}

void describeBand(GDALDatasetH dataset, const MapParams& grid, const GridBand& band,
                  const std::string& wkt) {
  double transform[6] = {grid.ox - 0.5 * grid.pixelsize,
                         grid.pixelsize,
                         0.0,
                         grid.oy + (grid.length - 0.5) * grid.pixelsize,
                         0.0,
                         -grid.pixelsize};
  GDALSetGeoTransform(dataset, transform);
  if (!wkt.empty()) GDALSetProjection(dataset, wkt.c_str());
  GDALRasterBandH raster = GDALGetRasterBand(dataset, 1);
  GDALSetDescription(raster, band.description.c_str());
  if (band.cells.noData) GDALSetRasterNoDataValue(raster, *band.cells.noData);
  if (band.scale) {
    GDALSetRasterScale(raster, *band.scale);
    GDALSetRasterOffset(raster, band.offset);
  }
}

Status tellStored(const CogSource& source, size_t level, size_t levels, TileIndex index,
                  std::span<const unsigned char> tile) {
  return source.stored ? source.stored(level, levels, index, tile) : Status{};
}

// The overview levels from the smallest, then the full grid: the order of the file.
Status writeTiles(GDALDatasetH cog, GDALDatasetH store, const std::vector<LevelSize>& levels,
                  const std::vector<Tiles>& stored, const CogSource& source,
                  const TileCells& cells) {
  std::vector<unsigned char> tile(tileBytes(cells.type));
  for (size_t level = levels.size() - 1; level >= 1; --level) {
    const TileReader read = blockReader(levelBand(store, 1, level));
    for (const TileIndex& index : stored[level]) {
      if (Status status = read(index, tile); !status.ok()) return status;
      if (Status status = tellStored(source, level, levels.size(), index, tile); !status.ok()) {
        return status;
      }
      if (GDALWriteBlock(levelBand(cog, 0, level), index.column, index.row, tile.data()) !=
          CE_None) {
        return fault("cannot write a tile");
      }
    }
  }
  for (const TileIndex& index : stored[0]) {
    clearTile(tile, cells);
    if (Status status = source.fill(index, tile); !status.ok()) return status;
    if (levels.size() == 1 && isEmptyTile(tile, cells)) continue;  // no overviews sorted it out
    if (Status status = tellStored(source, 0, levels.size(), index, tile); !status.ok()) {
      return status;
    }
    if (GDALWriteBlock(levelBand(cog, 0, 0), index.column, index.row, tile.data()) != CE_None) {
      return fault("cannot write a tile");
    }
  }
  return {};
}

// The candidates on the grid, sorted, each once.
Tiles gridCandidates(const CogSource& source, LevelSize grid) {
  Tiles tiles;
  for (const TileIndex& tile : source.candidates) {
    if (tile.row >= 0 && tile.column >= 0 && int64_t{tile.row} * TILE_CELLS < grid.length &&
        int64_t{tile.column} * TILE_CELLS < grid.width) {
      tiles.push_back(tile);
    }
  }
  std::sort(tiles.begin(), tiles.end());
  tiles.erase(std::unique(tiles.begin(), tiles.end()), tiles.end());
  return tiles;
}

}  // namespace

Status writeCog(const std::string& path, const MapParams& grid, const GridBand& band,
                std::optional<int32_t> epsg, const CogSource& source) {
  if (epsg) {
    if (Status status = checkProjectedEpsg(*epsg); !status.ok()) return status;
  }
  registerGdalGeoTiff();
  const GdalErrorTrap errors;
  const std::vector<LevelSize> levels = pyramidLevels(grid.width, grid.length);
  std::vector<Tiles> stored(levels.size());
  stored[0] = gridCandidates(source, levels[0]);
  const auto fail = [&](const Status& status) {
    return !status.ok() && status.file.empty() ? errors.fault(status.reason, path) : status;
  };
  OutputFile file(path);
  if (!file.ok()) return file.status();
  std::optional<OutputFile> storeFile;  // a temporary file of the target, never renamed
  Dataset store;                        // closed before its file goes
  if (levels.size() > 1) {
    storeFile.emplace(path);
    if (!storeFile->ok()) return storeFile->status();
    store = createPyramidFile(storeFile->temporaryPath(), levels, 1, band.cells.type,
                              creationOptions(true, STORE_COMPRESSION), [](GDALDatasetH) {});
    if (!store) return errors.fault("cannot create the overviews' file", path);
    Status status = buildOverviews(store.get(), levels, stored[0], source, band.cells, stored);
    if (!status.ok()) return fail(status);
  }
  const std::string wkt = epsg ? epsgWkt(*epsg) : std::string();
  const CPLStringList options =
      creationOptions(needsBigTiff(levels, stored, band.cells.type), COMPRESSION);
  Dataset cog = createPyramidFile(file.temporaryPath(), levels, 0, band.cells.type, options,
                                  [&](GDALDatasetH d) { describeBand(d, grid, band, wkt); });
  if (!cog) return errors.fault("cannot create the GeoTIFF", path);
  Status status = writeTiles(cog.get(), store.get(), levels, stored, source, band.cells);
  if (!status.ok()) return fail(status);
  cog.reset();
  if (errors.failed()) return errors.fault("cannot write the GeoTIFF", path);
  return file.commit();
}

}  // namespace quorvel
