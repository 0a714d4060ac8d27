#include "batch/map_tiles.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <limits>
#include <map>
#include <nlohmann/json.hpp>
#include <set>
#include <utility>

#include "batch/colour_ramp.h"
#include "export/tile_pyramid.h"
#include "scan/output_file.h"

namespace quorvel::batch {

using nlohmann::json;
using Palette = std::array<std::array<unsigned char, 4>, 256>;

constexpr size_t TILE_PIXELS = size_t{PAGE_TILE_PIXELS} * PAGE_TILE_PIXELS;
constexpr double HEIGHT_STEPS = 254.0;  // palette entries 1 ... 255 span the height ramp
static_assert(PAGE_TILE_PIXELS == TILE_CELLS, "a page tile is a mosaic tile");

namespace {

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

std::string hexOf(std::span<const unsigned char> bytes, std::string text = "") {
  static const char digits[] = "0123456789abcdef";
  for (unsigned char byte : bytes) {
    text += digits[byte >> 4];
    text += digits[byte & 15];
  }
  return text;
}

std::string base64Of(std::string_view bytes) {
  static const char alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string text;
  text.reserve((bytes.size() + 2) / 3 * 4);
  for (size_t i = 0; i < bytes.size(); i += 3) {
    const size_t n = std::min<size_t>(3, bytes.size() - i);
    uint32_t word = 0;
    for (size_t k = 0; k < 3; ++k) {
      word = word << 8 | (k < n ? static_cast<unsigned char>(bytes[i + k]) : 0u);
    }
    for (size_t k = 0; k < 4; ++k) {
      text += k <= n ? alphabet[word >> (18 - 6 * k) & 63] : '=';
    }
  }
  return text;
}

void putCount(std::string& code, size_t count) {
  do {
    const auto low = static_cast<unsigned char>(count & 127);
    count >>= 7;
    code += static_cast<char>(count ? low | 128 : low);
  } while (count);
}

// The first index from `from` on that is not 0 (the end when there is none); blocks of zeros are
// passed over whole.
size_t nextNonZero(std::span<const unsigned char> indices, size_t from) {
  static const std::array<unsigned char, 256> zeros{};
  while (from + zeros.size() <= indices.size() &&
         std::memcmp(&indices[from], zeros.data(), zeros.size()) == 0) {
    from += zeros.size();
  }
  while (from < indices.size() && indices[from] == 0) ++from;
  return from;
}

}  // namespace

std::string runLengthCode(std::span<const unsigned char> indices) {
  std::string code;
  for (size_t at = 0;;) {
    const size_t first = nextNonZero(indices, at);
    if (first == indices.size()) return code;
    size_t end = first;
    while (end < indices.size() && indices[end] != 0) ++end;
    putCount(code, first - at);
    putCount(code, end - first);
    code.append(reinterpret_cast<const char*>(&indices[first]), end - first);
    at = end;
  }
}

// One layer: its ramp once known, the tiles listed, the packs of the level being told.
struct PageTiles::Layer {
  std::string name;
  bool counts = true;
  size_t levels = 0;
  std::optional<ColourRamp> ramp;  // the heights' once the coarsest level is seen
  Palette palette{};
  json tiles = json::array();  // "Z/X/Y" of every tile that shows something
  // The coarsest level's height tiles, held until all are seen: the ramp spans their heights.
  std::vector<std::pair<TileIndex, std::vector<unsigned char>>> coarsest;
  size_t level = std::numeric_limits<size_t>::max();         // of the packs being filled
  std::map<std::pair<int32_t, int32_t>, std::string> packs;  // (row, column) of PACK_TILES
};

// The zoom level of the page that shows the layer's level being told.
std::string zoomOf(const PageTiles::Layer& layer) {
  return std::to_string(layer.levels - 1 - layer.level);
}

// The folders the packs go to, made on the way; synced before tiles.js names them.
struct PageTiles::Packs {
  std::string root;  // this merge's folder of tiles
  std::set<std::string> made;

  Status write(const Layer& layer, std::pair<int32_t, int32_t> pack, const std::string& body) {
    const std::string z = zoomOf(layer);
    const std::string folder = root + "/" + layer.name + "/" + z;
    if (!made.count(folder)) {
      std::error_code error;
      std::filesystem::create_directories(folder, error);
      if (error) return fileFault(error.message(), folder);
      made.insert({root, root + "/" + layer.name, folder});
    }
    const std::string name = std::to_string(pack.second) + "_" + std::to_string(pack.first);
    OutputFile file(folder + "/" + name + ".js", WriteMode::FreshFolder);
    file.write("quorvelTiles(\"" + layer.name + "/" + z + "/" + name + "\",{" + body + "});\n");
    return file.commit();
  }
};

namespace {

using Layer = PageTiles::Layer;
using Packs = PageTiles::Packs;

float heightAt(std::span<const unsigned char> cells, size_t i) {
  float height;
  std::memcpy(&height, &cells[i * sizeof height], sizeof height);
  return height;
}

// std::lround of a value of 0 or more, without the library call: the fraction is exact.
int roundedHalfUp(double value) {
  const auto whole = static_cast<int>(value);
  return value - whole >= 0.5 ? whole + 1 : whole;
}

// The first height from `from` on that is not NaN (the end when there is none); blocks of the
// no-data value the mosaic writes are passed over whole.
size_t nextHeight(std::span<const unsigned char> cells, size_t from) {
  static const std::array<float, 64> noData = [] {
    std::array<float, 64> block;
    block.fill(std::numeric_limits<float>::quiet_NaN());
    return block;
  }();
  constexpr size_t BLOCK = noData.size();
  while (from + BLOCK <= TILE_PIXELS &&
         std::memcmp(&cells[from * sizeof(float)], noData.data(), sizeof noData) == 0) {
    from += BLOCK;
  }
  while (from < TILE_PIXELS && std::isnan(heightAt(cells, from))) ++from;
  return from;
}

// The run-length code (as runLengthCode) of a height tile's palette indices: 0 where a cell is
// NaN, else 1 + its height's place on the ramp in HEIGHT_STEPS steps.
std::string heightsCode(const Layer& layer, std::span<const unsigned char> cells) {
  const double lo = layer.ramp->stops.front().value, hi = layer.ramp->stops.back().value;
  std::string code;
  for (size_t at = 0;;) {
    const size_t first = nextHeight(cells, at);
    if (first == TILE_PIXELS) return code;
    size_t end = first;
    while (end < TILE_PIXELS && !std::isnan(heightAt(cells, end))) ++end;
    putCount(code, first - at);
    putCount(code, end - first);
    const size_t base = code.size();
    code.resize(base + (end - first));
    for (size_t i = first; i < end; ++i) {
      const double t = std::clamp((heightAt(cells, i) - lo) / (hi - lo), 0.0, 1.0);
      code[base + (i - first)] = static_cast<char>(1 + roundedHalfUp(t * HEIGHT_STEPS));
    }
    at = end;
  }
}

// Adds a tile's code to its pack; a tile that shows nothing is left out.
void addTile(Layer& layer, TileIndex tile, const std::string& code) {
  if (code.empty()) return;
  std::string& body = layer.packs[{tile.row / PACK_TILES, tile.column / PACK_TILES}];
  if (!body.empty()) body += ',';
  body += "\"" + std::to_string(tile.column) + "/" + std::to_string(tile.row) + "\":\"" +
          base64Of(code) + "\"";
  layer.tiles.push_back(zoomOf(layer) + "/" + std::to_string(tile.column) + "/" +
                        std::to_string(tile.row));
}

// Writes the packs of rows before `row` (all of them for the level's end).
Status writePacksBefore(Layer& layer, Packs& writer, int32_t row) {
  for (auto pack = layer.packs.begin(); pack != layer.packs.end() && pack->first.first < row;) {
    if (Status status = writer.write(layer, pack->first, pack->second); !status.ok()) {
      return status;
    }
    pack = layer.packs.erase(pack);
  }
  return {};
}

// The heights' ramp from the coarsest level's heights (0 ... 1 without any), then its tiles.
void settleHeightRamp(Layer& layer) {
  double lo = std::numeric_limits<double>::infinity(), hi = -lo;
  for (const auto& [tile, cells] : layer.coarsest) {
    for (size_t i = 0; i < TILE_PIXELS; ++i) {
      const float height = heightAt(cells, i);
      if (std::isnan(height)) continue;
      lo = std::min(lo, double{height});
      hi = std::max(hi, double{height});
    }
  }
  if (!std::isfinite(lo)) lo = 0.0;
  if (!(hi > lo)) hi = lo + 1.0;
  layer.ramp = heightRamp(lo, hi);
  layer.palette = paletteOf(*layer.ramp, false);
  for (const auto& [tile, cells] : layer.coarsest) addTile(layer, tile, heightsCode(layer, cells));
  layer.coarsest.clear();
}

Status tellTile(Layer& layer, Packs& writer, size_t level, size_t levels, TileIndex tile,
                std::span<const unsigned char> cells) {
  layer.levels = levels;
  if (!layer.ramp && level != levels - 1) settleHeightRamp(layer);
  if (level != layer.level) {
    if (Status status = writePacksBefore(layer, writer, std::numeric_limits<int32_t>::max());
        !status.ok()) {
      return status;
    }
    layer.level = level;
  }
  if (Status status = writePacksBefore(layer, writer, tile.row / PACK_TILES); !status.ok()) {
    return status;
  }
  if (layer.counts) {
    addTile(layer, tile, runLengthCode(cells));
  } else if (layer.ramp) {
    addTile(layer, tile, heightsCode(layer, cells));
  } else {
    layer.coarsest.emplace_back(tile, std::vector<unsigned char>(cells.begin(), cells.end()));
  }
  return {};
}

json layerJson(const Layer& layer) {
  json stops = json::array();
  for (const RampStop& stop : layer.ramp->stops) {
    stops.push_back({stop.value, hexOf(stop.colour, "#")});
  }
  std::vector<unsigned char> palette;
  for (const auto& entry : layer.palette) palette.insert(palette.end(), entry.begin(), entry.end());
  json entry = {{"name", layer.name},
                {"title", layer.counts ? "Points per cell" : "Road height"},
                {"unit", layer.counts ? "" : "m"},
                {"scale", layer.ramp->logScale ? "log" : "linear"},
                {"stops", stops},
                {"palette", hexOf(palette)},
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

PageTiles::PageTiles(std::string dir)
    : dir_(std::move(dir)), stamp_(freshFolder(dir_ + "/view/tiles")) {
  packs_ = std::make_unique<Packs>(Packs{dir_ + "/view/tiles/" + stamp_, {}});
}

PageTiles::~PageTiles() = default;

StoredTiles PageTiles::layer(bool counts) {
  auto& layer = *layers_.emplace_back(std::make_unique<Layer>());
  layer.name = counts ? "count" : "height";
  layer.counts = counts;
  if (counts) {
    layer.ramp = countRamp();
    layer.palette = paletteOf(*layer.ramp, true);
  }
  return [&layer, &packs = *packs_](size_t level, size_t levels, TileIndex tile,
                                    std::span<const unsigned char> cells) {
    return tellTile(layer, packs, level, levels, tile, cells);
  };
}

Status PageTiles::finish(const std::string& tilesScript) {
  json layers = json::array();
  size_t levels = 0;
  for (const auto& layer : layers_) {
    if (!layer->ramp) settleHeightRamp(*layer);
    Status status = writePacksBefore(*layer, *packs_, std::numeric_limits<int32_t>::max());
    if (!status.ok()) return status;
    layers.push_back(layerJson(*layer));
    if (levels == 0) levels = layer->levels;
  }
  const std::string root = dir_ + "/view/tiles";
  if (!packs_->made.empty()) packs_->made.insert(root);  // the new folder's entry
  const std::vector<std::string> made(packs_->made.begin(), packs_->made.end());
  if (Status status = syncFolders(made); !status.ok()) return status;
  const json data = {{"folder", "view/tiles/" + stamp_},
                     {"tileSize", PAGE_TILE_PIXELS},
                     {"packTiles", PACK_TILES},
                     {"levels", levels},
                     {"layers", layers}};
  Status status = writeWholeFile(tilesScript, "window.QUORVEL_TILES = " + data.dump() + ";\n");
  if (status.ok()) removeOtherFolders(root, stamp_);
  return status;
}

}  // namespace quorvel::batch
