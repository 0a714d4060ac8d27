#include "batch/merge.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <vector>

#include "batch/batch_page.h"
#include "batch/grid.h"
#include "batch/kerb_mosaic.h"
#include "batch/map_tiles.h"
#include "batch/mosaic.h"
#include "batch/plan.h"
#include "batch/points_vpc.h"
#include "batch/pose_faults_json.h"
#include "batch/task_check.h"
#include "batch/task_lock.h"
#include "batch/task_record.h"
#include "batch/task_state.h"
#include "pipeline/report.h"
#include "scan/file_bytes.h"
#include "scan/output_file.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;

double taskSeconds(const TaskRecord& record) {
  double total = 0.0;
  for (const auto& stage : record.seconds) total += stage.second;
  return total;
}

json footprintJson(const std::array<double, 4>& box) {
  return {{"type", "Polygon"},
          {"coordinates",
           {{{box[0], box[1]},
             {box[2], box[1]},
             {box[2], box[3]},
             {box[0], box[3]},
             {box[0], box[1]}}}}};
}

std::string tilesGeoJson(const BatchPlan& plan, const std::vector<TaskState>& states) {
  json features = json::array();
  for (const TaskState& state : states) {
    const TaskRecord& r = state.check.record;
    json files = json::array();
    for (const auto& file : r.files) files.push_back(state.task->folder + "/" + file.first);
    features.push_back({{"type", "Feature"},
                        {"geometry", r.footprint ? footprintJson(*r.footprint) : json(nullptr)},
                        {"properties",
                         {{"project", plan.projects[state.task->project].name},
                          {"first", state.task->first},
                          {"last", state.task->last},
                          {"state", state.state},
                          {"reason", state.check.why},
                          {"points", r.points},
                          {"samples", r.samples},
                          {"seconds", taskSeconds(r)},
                          {"files", files}}}});
  }
  json collection = {{"type", "FeatureCollection"}, {"features", features}};
  if (plan.options.epsg) {
    collection["crs"] = {
        {"type", "name"},
        {"properties", {{"name", "urn:ogc:def:crs:EPSG::" + std::to_string(*plan.options.epsg)}}}};
  }
  return collection.dump(1) + "\n";
}

std::vector<TaskRaster> taskRasters(const std::string& dir, const std::vector<TaskState>& states,
                                    const std::string& base) {
  std::vector<TaskRaster> rasters;
  for (const TaskState& state : states) {
    const auto found = state.check.record.rasters.find(base);
    if (!state.check.done || found == state.check.record.rasters.end()) continue;
    rasters.push_back({dir + "/" + state.task->folder + "/" + base + ".raw", found->second});
  }
  return rasters;
}

bool asked(const BatchPlan& plan, const char* name) {
  const std::vector<std::string>& exports = plan.options.exports;
  return std::find(exports.begin(), exports.end(), name) != exports.end();
}

// The mosaics of the map rasters asked for.
Status writeMosaics(const std::string& dir, const BatchPlan& plan, const MapParams& grid,
                    const std::vector<TaskState>& states, json& report, PageTiles& tiles) {
  std::filesystem::create_directories(dir + "/mosaic");
  json mosaics = json::array();
  if (asked(plan, "count-map") || asked(plan, "geotiff")) {
    Status status =
        writeCountMosaic(dir + "/mosaic/map-h.tif", grid, taskRasters(dir, states, "map-h"),
                         plan.options.epsg, tiles.layer(true));
    if (!status.ok()) return status;
    mosaics.push_back("mosaic/map-h.tif");
  }
  if (asked(plan, "road-height") || asked(plan, "geotiff")) {
    Status status =
        writeRoadMosaic(dir + "/mosaic/map-r.tif", grid, taskRasters(dir, states, "map-r"),
                        plan.options.epsg, tiles.layer(false));
    if (!status.ok()) return status;
    mosaics.push_back("mosaic/map-r.tif");
  }
  report["mosaics"] = mosaics;
  return {};
}

std::vector<size_t> doneTasks(const std::vector<TaskState>& states) {
  std::vector<size_t> done;
  for (size_t k = 0; k < states.size(); ++k) {
    if (states[k].check.done) done.push_back(k);
  }
  return done;
}

json reportJson(const std::vector<TaskState>& states, std::optional<ThisRun> thisRun) {
  json failures = json::array(), running = json::array();
  int64_t samples = 0, points = 0, peakMemoryKiB = 0;
  double seconds = 0.0;
  int done = 0, notRun = 0;
  json poseFaults = json::array();  // the tasks whose lines have pose faults
  for (const TaskState& state : states) {
    const TaskRecord& record = state.check.record;
    if (record.poseFaults.any()) {
      poseFaults.push_back(poseFaultsJson(record.poseFaults));
      poseFaults.back()["task"] = state.task->folder;
    }
    if (state.state == std::string("running")) {
      running.push_back(state.task->folder);
    } else if (!state.check.done) {
      failures.push_back({{"task", state.task->folder}, {"reason", state.check.why}});
      notRun += state.state == std::string("not run");
    } else {
      ++done;
      samples += record.samples;
      points += record.points;
      peakMemoryKiB = std::max(peakMemoryKiB, record.peakMemoryKiB);
      seconds += taskSeconds(record);
    }
  }
  json report = {{"tasks", states.size()},
                 {"done", done},
                 {"failed", failures.size() - notRun},
                 {"notRun", notRun},
                 {"runningElsewhere", running},
                 {"samples", samples},
                 {"points", points},
                 {"taskSeconds", seconds},
                 {"largestTaskMemoryKiB", peakMemoryKiB},
                 {"failures", failures},
                 {"poseFaults", poseFaults}};
  if (thisRun) {
    const double rate = thisRun->seconds > 0 ? thisRun->samples / thisRun->seconds : 0.0;
    report["thisRun"] = {{"tasks", thisRun->tasks},
                         {"elsewhere", thisRun->elsewhere},
                         {"samples", thisRun->samples},
                         {"wallSeconds", thisRun->seconds},
                         {"samplesPerSecond", rate}};
  }
  return report;
}

void printSummary(const std::string& dir, const json& report, std::ostream& out) {
  out << "Batch " << dir << ": " << report["done"].get<int>() << " of "
      << report["tasks"].get<size_t>() << " tasks done, " << report["failed"].get<size_t>()
      << " failed";
  if (report["notRun"].get<int>() > 0) out << ", " << report["notRun"].get<int>() << " not run";
  if (!report["runningElsewhere"].empty()) {
    out << ", " << report["runningElsewhere"].size() << " running elsewhere";
  }
  out << "\n";
  for (const json& failure : report["failures"]) {
    std::string reason = failure["reason"];
    if (const size_t end = reason.find('\n'); end != std::string::npos) reason.resize(end);
    out << "  failed " << failure["task"].get<std::string>() << ": " << reason << "\n";
  }
  char line[200];
  if (report.contains("thisRun") && report["thisRun"]["tasks"].get<int>() > 0) {
    const json& run = report["thisRun"];
    std::snprintf(line, sizeof line,
                  "This run: %d tasks in %.1f s, %lld samples, %.0f samples per second\n",
                  run["tasks"].get<int>(), run["wallSeconds"].get<double>(),
                  static_cast<long long>(run["samples"].get<int64_t>()),
                  run["samplesPerSecond"].get<double>());
    out << line;
  }
  std::snprintf(
      line, sizeof line, "All done tasks: %lld samples, %lld points, %.1f s of task time\n",
      static_cast<long long>(report["samples"].get<int64_t>()),
      static_cast<long long>(report["points"].get<int64_t>()), report["taskSeconds"].get<double>());
  out << line;
  out << "Largest task memory: " << report["largestTaskMemoryKiB"].get<int64_t>() / 1024
      << " MiB\n";
}

}  // namespace

int runMerge(const std::string& dir, std::optional<ThisRun> thisRun, std::ostream& out,
             std::ostream& err) {
  Claim merging;
  bool held = false;
  if (Status status = merging.take(dir + "/" + MERGE_LOCK, true, held); !status.ok()) {
    reportFailure(err, "Merge failure.", status.file, status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  BatchPlan plan;
  if (Status status = readPlan(dir, plan); !status.ok()) {
    reportFailure(err, "Batch plan failure.", dir + "/batch.json", status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  MapParams grid;
  const bool maps = planHasMaps(plan);
  if (Status status = maps ? readPlannedGrid(dir, plan, grid) : Status{}; !status.ok()) {
    reportFailure(err, "Batch grid failure.", status.file, status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  const std::vector<TaskState> states = taskStates(dir, plan, maps ? &grid : nullptr);
  json report = reportJson(states, thisRun);
  PageTiles tiles(dir);  // made with the mosaics
  Status status = maps ? writeMosaics(dir, plan, grid, states, report, tiles) : Status{};
  const std::vector<size_t> done = doneTasks(states);
  if (status.ok()) status = writePointsVpc(dir, plan, done);
  if (status.ok()) status = writeKerbMosaic(dir, plan, done);
  if (status.ok()) status = writeWholeFile(dir + "/tiles.geojson", tilesGeoJson(plan, states));
  if (status.ok()) status = writeWholeFile(dir + "/report.json", report.dump(2) + "\n");
  if (status.ok()) {
    status = writeMergedPage(dir, plan, maps ? &grid : nullptr, states, thisRun, tiles);
  }
  printSummary(dir, report, out);
  if (!status.ok()) {
    reportFailure(err, "Merge failure.", status.file.empty() ? dir : status.file, status.reason);
    return EXIT_FAILURE_REPORTED;
  }
  return report["done"].get<size_t>() == states.size() ? EXIT_OK : EXIT_FAILURE_REPORTED;
}

}  // namespace quorvel::batch
