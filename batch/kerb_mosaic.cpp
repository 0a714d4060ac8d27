#include "batch/kerb_mosaic.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "export/kerbs_geojson.h"
#include "scan/file_bytes.h"
#include "scan/output_file.h"
#include "segment/kerb_lines.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;

// The last kerb line of one side so far, and where it came from.
struct OpenLine {
  json feature;
  size_t task = 0;
};

bool continues(const OpenLine& open, const json& next, size_t task, const BatchPlan& plan) {
  const PlannedTask &before = plan.tasks[open.task], &after = plan.tasks[task];
  if (before.project != after.project || before.last + 1 != after.first) return false;
  const json& end = open.feature["geometry"]["coordinates"].back();
  const json& start = next["geometry"]["coordinates"].front();
  const double gap = std::hypot(start[0].get<double>() - end[0].get<double>(),
                                start[1].get<double>() - end[1].get<double>());
  return gap <= KERB_GAP;
}

void join(json& line, const json& next) {
  json& p = line["properties"];
  const json& q = next["properties"];
  const double n = p["vertices"].get<double>(), m = q["vertices"].get<double>();
  p["mean_height"] =
      (p["mean_height"].get<double>() * n + q["mean_height"].get<double>() * m) / (n + m);
  p["vertices"] = p["vertices"].get<int64_t>() + q["vertices"].get<int64_t>();
  p["last_line"] = q["last_line"];
  json& coordinates = line["geometry"]["coordinates"];
  for (const json& vertex : next["geometry"]["coordinates"]) coordinates.push_back(vertex);
}

Status readTaskKerbs(const std::string& path, json& collection) {
  std::vector<unsigned char> bytes;
  if (Status status = readFileBytes(path, bytes); !status.ok()) return status;
  collection = json::parse(bytes.begin(), bytes.end(), nullptr, false);
  if (collection.is_discarded() || !collection.contains("features")) {
    return fault("not a kerbs GeoJSON file", "", "", path);
  }
  return {};
}

// The features of all sides, joined across task boundaries; throws json::exception on a file
// that is not what a task writes.
Status mergedFeatures(const std::string& dir, const BatchPlan& plan,
                      const std::vector<size_t>& done, json& features) {
  for (const char* side : {"right", "left"}) {
    std::optional<OpenLine> open;
    for (const size_t task : done) {
      json collection;
      const std::string path = dir + "/" + plan.tasks[task].folder + "/kerbs.geojson";
      if (Status status = readTaskKerbs(path, collection); !status.ok()) return status;
      bool first = true;
      for (json& feature : collection["features"]) {
        if (feature["properties"]["side"].get<std::string>() != side) continue;
        feature["properties"]["project"] = plan.projects[plan.tasks[task].project].name;
        if (open && first && continues(*open, feature, task, plan)) {
          join(open->feature, feature);
        } else {
          if (open) features.push_back(std::move(open->feature));
          open = OpenLine{std::move(feature), task};
        }
        first = false;
      }
    }
    if (open) features.push_back(std::move(open->feature));
  }
  return {};
}

}  // namespace

Status writeKerbMosaic(const std::string& dir, const BatchPlan& plan,
                       const std::vector<size_t>& done) {
  const std::vector<std::string>& exports = plan.options.exports;
  if (std::find(exports.begin(), exports.end(), "kerbs") == exports.end()) return {};
  json features = json::array();
  try {
    if (Status status = mergedFeatures(dir, plan, done, features); !status.ok()) return status;
  } catch (const json::exception& error) {
    return fault("not a kerbs GeoJSON file of a task", error.what(), "", dir);
  }
  json collection = {{"type", "FeatureCollection"}, {"features", features}};
  if (plan.options.epsg) {
    std::string crs = "{";
    crs += geoJsonCrs(*plan.options.epsg);
    crs += "}";
    collection["crs"] = json::parse(crs)["crs"];
  }
  std::filesystem::create_directories(dir + "/mosaic");
  return writeWholeFile(dir + "/mosaic/kerbs.geojson", collection.dump() + "\n");
}

}  // namespace quorvel::batch
