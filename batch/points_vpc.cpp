#include "batch/points_vpc.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "export/epsg_crs.h"
#include "export/las_export.h"
#include "scan/file_system.h"
#include "scan/output_file.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;

// The dimensions of LAS point record format 7, as PDAL names them: name, type, bytes.
json pointSchema() {
  struct Dimension {
    const char* name;
    const char* type;
    int size;
  };
  const Dimension dimensions[] = {{"X", "floating", 8},
                                  {"Y", "floating", 8},
                                  {"Z", "floating", 8},
                                  {"Intensity", "unsigned", 2},
                                  {"ReturnNumber", "unsigned", 1},
                                  {"NumberOfReturns", "unsigned", 1},
                                  {"ScanDirectionFlag", "unsigned", 1},
                                  {"EdgeOfFlightLine", "unsigned", 1},
                                  {"Classification", "unsigned", 1},
                                  {"ScanAngleRank", "floating", 4},
                                  {"UserData", "unsigned", 1},
                                  {"PointSourceId", "unsigned", 2},
                                  {"GpsTime", "floating", 8},
                                  {"ScanChannel", "unsigned", 1},
                                  {"ClassFlags", "unsigned", 1},
                                  {"Red", "unsigned", 2},
                                  {"Green", "unsigned", 2},
                                  {"Blue", "unsigned", 2}};
  json schema = json::array();
  for (const Dimension& d : dimensions) {
    schema.push_back({{"name", d.name}, {"type", d.type}, {"size", d.size}});
  }
  return schema;
}

Status readLasExtent(const std::string& path, LasExtent& extent) {
  ReadOnlyFile file;
  if (std::string reason = file.open(path); !reason.empty()) {
    return fileFault("cannot open the LAS file: " + reason, path);
  }
  std::array<unsigned char, LAS_HEADER_SIZE> header{};
  size_t got = 0;
  const std::string reason = readFileAt(file.handle(), 0, header.data(), header.size(), got);
  if (!reason.empty()) return fileFault("cannot read the LAS file: " + reason, path);
  if (got != header.size() || !parseLasExtent(header, extent)) {
    return fileFault("not a LAS 1.4 file", path);
  }
  return {};
}

// The rectangle's corners as a closed GeoJSON polygon.
json polygon(const std::vector<std::array<double, 2>>& corners) {
  json ring = json::array();
  for (const auto& corner : corners) ring.push_back({corner[0], corner[1]});
  ring.push_back(ring[0]);
  return {{"type", "Polygon"}, {"coordinates", json::array({ring})}};
}

std::vector<std::array<double, 2>> cornersOf(const LasExtent& e) {
  return {{e.min[0], e.min[1]}, {e.max[0], e.min[1]}, {e.max[0], e.max[1]}, {e.min[0], e.max[1]}};
}

// Geometry and bbox in longitude and latitude, or the scan's coordinates without a code.
Status lonLatBounds(const LasExtent& extent, std::optional<int32_t> epsg, json& item) {
  std::vector<std::array<double, 2>> corners = cornersOf(extent);
  if (epsg) {
    if (Status status = toLonLat(*epsg, corners); !status.ok()) return status;
  }
  std::array<double, 2> low = corners[0], high = corners[0];
  for (const auto& corner : corners) {
    for (int axis = 0; axis < 2; ++axis) {
      low[axis] = std::min(low[axis], corner[axis]);
      high[axis] = std::max(high[axis], corner[axis]);
    }
  }
  item["geometry"] = polygon(corners);
  item["bbox"] = {low[0], low[1], extent.min[2], high[0], high[1], extent.max[2]};
  return {};
}

// When the file was last written, as RFC 3339 UTC text.
std::string writtenTime(const std::string& path) {
  std::error_code error;
  const auto written = std::filesystem::last_write_time(path, error);
  const std::time_t seconds = std::chrono::system_clock::to_time_t(
      std::chrono::time_point_cast<std::chrono::system_clock::duration>(
          std::chrono::file_clock::to_sys(written)));
  std::tm utc{};
  gmtime_r(&seconds, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

Status itemOf(const std::string& dir, const std::string& folder, std::optional<int32_t> epsg,
              const std::string& wkt, json& item) {
  const std::string las = folder + "/points.las";
  LasExtent extent;
  if (Status status = readLasExtent(dir + "/" + las, extent); !status.ok()) return status;
  if (extent.count == 0) return {};
  const LasExtent& e = extent;
  item = {{"type", "Feature"},
          {"stac_version", "1.0.0"},
          {"stac_extensions",
           {"https://stac-extensions.github.io/pointcloud/v1.0.0/schema.json",
            "https://stac-extensions.github.io/projection/v1.1.0/schema.json"}},
          {"id", std::filesystem::path(folder).filename().string()},
          {"properties",
           {{"datetime", writtenTime(dir + "/" + las)},
            {"pc:count", e.count},
            {"pc:type", "lidar"},
            {"pc:encoding", "las"},
            {"pc:schemas", pointSchema()},
            {"proj:wkt2", wkt},
            {"proj:bbox", {e.min[0], e.min[1], e.min[2], e.max[0], e.max[1], e.max[2]}},
            {"proj:geometry", polygon(cornersOf(e))}}},
          {"links", json::array()},
          {"assets", {{"data", {{"href", "./../" + las}, {"roles", {"data"}}}}}}};
  return lonLatBounds(extent, epsg, item);
}

}  // namespace

Status writePointsVpc(const std::string& dir, const BatchPlan& plan,
                      const std::vector<size_t>& done) {
  const std::vector<std::string>& exports = plan.options.exports;
  if (std::find(exports.begin(), exports.end(), "las") == exports.end()) return {};
  const std::optional<int32_t> epsg = plan.options.epsg;
  const std::string wkt = epsg ? epsgWkt(*epsg) : std::string();
  json features = json::array();
  for (const size_t task : done) {
    json item;
    Status status = itemOf(dir, plan.tasks[task].folder, epsg, wkt, item);
    if (!status.ok()) return status;
    if (!item.is_null()) features.push_back(std::move(item));
  }
  std::filesystem::create_directories(dir + "/mosaic");
  const json collection = {{"type", "FeatureCollection"}, {"features", features}};
  return writeWholeFile(dir + "/" + POINTS_VPC, collection.dump(1) + "\n");
}

}  // namespace quorvel::batch
