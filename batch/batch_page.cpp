#include "batch/batch_page.h"

#include <algorithm>
#include <chrono>
#include <ctime>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "batch/map_tiles.h"
#include "batch/page_assets.h"
#include "batch/task_log.h"
#include "scan/file_bytes.h"
#include "scan/output_file.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;

// What the summary line shows beside the tasks' own figures.
struct PageFigures {
  const char* stage = "";  // planned, running, merged
  std::optional<double> wallSeconds;
  std::optional<double> samplesPerSecond;
};

int64_t secondsNow() {
  return static_cast<int64_t>(std::time(nullptr));
}

std::string isoTime(int64_t seconds) {
  const std::time_t time = static_cast<std::time_t>(seconds);
  std::tm utc{};
  gmtime_r(&time, &utc);
  char text[32];
  std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
  return text;
}

// DIR/view/start.json as the batch wrote it, or null (a folder merged before it had a page).
json batchStart(const std::string& dir) {
  std::vector<unsigned char> bytes;
  if (!readFileBytes(dir + "/" + PAGE_START, bytes).ok()) return nullptr;
  json start = json::parse(bytes.begin(), bytes.end(), nullptr, false);
  return start.is_object() && start.value("seconds", json()).is_number() ? start : json();
}

json taskJson(const std::string& dir, const BatchPlan& plan, const TaskState& state) {
  const TaskRecord& record = state.check.record;
  json seconds = json::array(), files = json::array();
  for (const auto& [stage, value] : record.seconds) seconds.push_back({stage, value});
  for (const auto& [name, size] : record.files) files.push_back({name, size});
  std::error_code error;
  const bool logged =
      std::filesystem::exists(dir + "/" + state.task->folder + "/" + TASK_LOG, error);
  return {{"folder", state.task->folder},
          {"project", plan.projects[state.task->project].name},
          {"first", state.task->first},
          {"last", state.task->last},
          {"state", state.state},
          {"reason", state.check.done ? "" : state.check.why},
          {"samples", record.samples},
          {"points", record.points},
          {"peakMemoryKiB", record.peakMemoryKiB},
          {"seconds", seconds},
          {"files", files},
          {"log", logged ? json(std::string(TASK_LOG)) : json()},
          {"footprint", record.footprint ? json(*record.footprint) : json()}};
}

// Each drive's track: its tasks' tracks in the order of their lines (the plan's order).
json drivesJson(const BatchPlan& plan, const std::vector<TaskState>& states) {
  json drives = json::array();
  for (const PlannedProject& project : plan.projects) {
    drives.push_back({{"project", project.name}, {"track", json::array()}});
  }
  for (const TaskState& state : states) {
    json& track = drives[static_cast<size_t>(state.task->project)]["track"];
    for (const auto& vertex : state.check.record.track) track.push_back(vertex);
  }
  return drives;
}

json gridJson(const MapParams* grid) {
  if (!grid) return nullptr;
  return {{"ox", grid->ox},
          {"oy", grid->oy},
          {"pixelsize", grid->pixelsize},
          {"width", grid->width},
          {"length", grid->length}};
}

std::string pageData(const std::string& dir, const BatchPlan& plan, const MapParams* grid,
                     const std::vector<TaskState>& states, const PageFigures& figures) {
  const json start = batchStart(dir);
  json tasks = json::array();
  for (const TaskState& state : states) tasks.push_back(taskJson(dir, plan, state));
  const json data = {
      {"folder", std::filesystem::path(dir).filename().string()},
      {"command", start.is_null() ? json() : start["command"]},
      {"started", start.is_null() ? json() : json(isoTime(start["seconds"].get<int64_t>()))},
      {"written", isoTime(secondsNow())},
      {"stage", figures.stage},
      {"wallSeconds", figures.wallSeconds ? json(*figures.wallSeconds) : json()},
      {"samplesPerSecond", figures.samplesPerSecond ? json(*figures.samplesPerSecond) : json()},
      {"epsg", plan.options.epsg ? json(*plan.options.epsg) : json()},
      {"grid", gridJson(grid)},
      {"tasks", tasks},
      {"drives", drivesJson(plan, states)}};
  return "window.QUORVEL_BATCH = " + data.dump(-1, ' ', false, json::error_handler_t::replace) +
         ";\n";
}

Status writePageFiles(const std::string& dir) {
  std::error_code error;
  for (const PageAsset& asset : pageAssets()) {
    const std::filesystem::path path = std::filesystem::path(dir) / asset.path;
    std::filesystem::create_directories(path.parent_path(), error);
    if (error) return fileFault(error.message(), path.parent_path().string());
    OutputFile file(path.string());
    file.write(asset.bytes);
    if (Status status = file.commit(); !status.ok()) return status;
  }
  if (std::filesystem::exists(dir + "/" + PAGE_TILES, error)) return {};
  return PageTiles(dir).finish(dir + "/" + PAGE_TILES);  // no layers until a merge
}

int64_t doneSamples(const std::vector<TaskState>& states) {
  int64_t samples = 0;
  for (const TaskState& state : states)
    samples += state.check.done ? state.check.record.samples : 0;
  return samples;
}

// When the last task that has a record wrote it (seconds since 1970), so that a merge run on
// its own later does not stretch the batch's wall time; 0 without records.
int64_t lastTaskEnd(const std::string& dir, const std::vector<TaskState>& states) {
  int64_t last = 0;
  for (const TaskState& state : states) {
    std::error_code error;
    const auto written =
        std::filesystem::last_write_time(dir + "/" + state.task->folder + "/" + TASK_RECORD, error);
    if (error) continue;
    const auto seconds = std::chrono::duration_cast<std::chrono::seconds>(
        std::chrono::file_clock::to_sys(written).time_since_epoch());
    last = std::max(last, static_cast<int64_t>(seconds.count()));
  }
  return last;
}

}  // namespace

Status writePlannedPage(const std::string& dir, const std::string& command, const BatchPlan& plan,
                        const MapParams* grid, const std::vector<TaskState>& states) {
  if (Status status = writePageFiles(dir); !status.ok()) return status;
  const json start = {{"command", command}, {"seconds", secondsNow()}};
  if (Status status = writeWholeFile(dir + "/" + PAGE_START, start.dump(2) + "\n"); !status.ok())
    return status;
  return writeWholeFile(dir + "/" + PAGE_DATA,
                        pageData(dir, plan, grid, states, {"planned", {}, {}}));
}

Status writeMergedPage(const std::string& dir, const BatchPlan& plan, const MapParams* grid,
                       const std::vector<TaskState>& states, std::optional<ThisRun> thisRun,
                       PageTiles& tiles) {
  PageFigures figures{"merged", {}, {}};
  if (thisRun) {
    figures.wallSeconds = thisRun->seconds;
    if (thisRun->seconds > 0) figures.samplesPerSecond = thisRun->samples / thisRun->seconds;
  } else if (const json start = batchStart(dir); !start.is_null()) {
    const double wall =
        static_cast<double>(lastTaskEnd(dir, states) - start["seconds"].get<int64_t>());
    if (wall > 0) {
      figures.wallSeconds = wall;
      figures.samplesPerSecond = doneSamples(states) / wall;
    }
  }
  if (Status status = writePageFiles(dir); !status.ok()) return status;
  if (Status status = tiles.finish(dir + "/" + PAGE_TILES); !status.ok()) return status;
  return writeWholeFile(dir + "/" + PAGE_DATA, pageData(dir, plan, grid, states, figures));
}

PageFollower::PageFollower(std::string dir, const BatchPlan& plan, std::optional<MapParams> grid,
                           std::vector<TaskState> states)
    : dir_(std::move(dir)), plan_(plan), grid_(grid), states_(std::move(states)) {}

void PageFollower::taskChanged(int64_t k, const TaskRecord* ended) {
  if (k >= 0 && static_cast<size_t>(k) < states_.size()) {
    TaskState& state = states_[static_cast<size_t>(k)];
    state.state = !ended ? "running" : ended->done ? "done" : "failed";
    state.check.done = ended && ended->done;
    state.check.why = ended ? ended->reason : "";
    if (ended) state.check.record = *ended;
    if (ended && ended->done) samples_ += ended->samples;
    changed_ = true;
  }
  const Clock::time_point now = Clock::now();
  if (!changed_ || now - written_ < std::chrono::seconds(1)) return;
  const double wall = std::chrono::duration<double>(now - begun_).count();
  const PageFigures figures{"running", wall, wall > 0 ? samples_ / wall : 0.0};
  writeWholeFile(dir_ + "/" + PAGE_DATA,
                 pageData(dir_, plan_, grid_ ? &*grid_ : nullptr, states_, figures));
  written_ = now;
  changed_ = false;
}

}  // namespace quorvel::batch
