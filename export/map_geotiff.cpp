#include "export/map_geotiff.h"

#include <cmath>
#include <filesystem>
#include <memory>
#include <vector>

#include "export/cog_writer.h"
#include "export/number_text.h"
#include "scan/file_bytes.h"
#include "scan/file_system.h"

namespace quorvel {

namespace {

Status readHeader(const MapFileNames& map, MapHeaderKind kind, MapParams& params) {
  std::vector<unsigned char> bytes;
  if (Status status = readFileBytes(map.header, bytes); !status.ok()) return status;
  parseMapHeader(bytes, params);
  if (params.width <= 0 || params.length <= 0) {
    return fault(
        "map raster without cells",
        "width " + std::to_string(params.width) + ", length " + std::to_string(params.length),
        "a positive width and length", map.header);
  }
  if (!(params.pixelsize > 0.0 && std::isfinite(params.pixelsize))) {
    return fault("bad pixelsize", numberText(params.pixelsize), "a positive number", map.header);
  }
  if (kind == MapHeaderKind::RoadHeight && !(params.demres > 0.0 && std::isfinite(params.demres))) {
    return fault("bad demres", numberText(params.demres), "a positive number", map.header);
  }
  return {};
}

Status checkRasterSize(const MapFileNames& map, const MapParams& params) {
  std::error_code error;
  const uintmax_t size = std::filesystem::file_size(map.raster, error);
  if (error) return fault("cannot read the raster", map.raster, "", error.message());
  const uintmax_t cells = uintmax_t(params.width) * uintmax_t(params.length);
  if (size != cells) {
    return fault("raster size does not match its header", std::to_string(size) + " bytes",
                 std::to_string(cells) + " (width x length)", map.raster);
  }
  return {};
}

GridBand mapBand(const MapParams& params, MapHeaderKind kind) {
  if (kind == MapHeaderKind::Count) {
    return {{GridCells::UInt8, std::nullopt}, "non-road points per cell", std::nullopt, 0.0};
  }
  return {{GridCells::UInt8, 0.0}, "road height", params.demres, params.oz};
}

// Every tile of the grid, filled from the raster file's rows (the image's row r is the file's
// row length - 1 - r).
CogSource rawFileTiles(const MapFileNames& map, const MapParams& params, FileHandle raster) {
  CogSource source;
  for (int32_t row = 0; int64_t{row} * TILE_CELLS < params.length; ++row) {
    for (int32_t column = 0; int64_t{column} * TILE_CELLS < params.width; ++column) {
      source.candidates.push_back({row, column});
    }
  }
  source.fill = [map, params, raster](TileIndex tile, std::span<unsigned char> cells) {
    const int64_t left = int64_t{tile.column} * TILE_CELLS;
    const size_t count = static_cast<size_t>(std::min<int64_t>(TILE_CELLS, params.width - left));
    for (int32_t r = 0; r < TILE_CELLS; ++r) {
      const int64_t imageRow = int64_t{tile.row} * TILE_CELLS + r;
      if (imageRow >= params.length) break;
      const uint64_t offset = static_cast<uint64_t>(params.length - 1 - imageRow) *
                                  static_cast<uint64_t>(params.width) +
                              static_cast<uint64_t>(left);
      size_t got = 0;
      std::string reason =
          readFileAt(raster, offset, cells.data() + size_t(r) * TILE_CELLS, count, got);
      if (reason.empty() && got != count) reason = "the raster is shorter than its header says";
      if (!reason.empty()) return fileFault("cannot read the raster: " + reason, map.raster);
    }
    return Status{};
  };
  return source;
}

}  // namespace

Status writeMapGeoTiff(const MapFileNames& map, MapHeaderKind kind, const std::string& tifPath,
                       std::optional<int32_t> epsg) {
  MapParams params;
  if (Status status = readHeader(map, kind, params); !status.ok()) return status;
  if (Status status = checkRasterSize(map, params); !status.ok()) return status;
  ReadOnlyFile raster;
  if (std::string reason = raster.open(map.raster); !reason.empty()) {
    return fault("cannot read the raster", map.raster, "", reason);
  }
  return writeCog(tifPath, params, mapBand(params, kind), epsg,
                  rawFileTiles(map, params, raster.handle()));
}

}  // namespace quorvel
