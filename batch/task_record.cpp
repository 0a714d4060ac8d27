#include "batch/task_record.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>

#include "batch/pose_faults_json.h"
#include "batch/task_lock.h"
#include "batch/task_log.h"
#include "scan/file_bytes.h"
#include "scan/output_file.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;

json rasterJson(const PlacedRaster& raster) {
  const RasterWindow& w = raster.window;
  return {{"column", w.firstColumn}, {"row", w.firstRow}, {"width", w.width},
          {"length", w.length},      {"oz", raster.oz},   {"demres", raster.demres}};
}

PlacedRaster rasterOf(const json& j) {
  return {{j.at("column").get<int32_t>(), j.at("row").get<int32_t>(), j.at("width").get<int32_t>(),
           j.at("length").get<int32_t>()},
          j.at("oz").get<double>(),
          j.at("demres").get<double>()};
}

json identityJson(const FileIdentity& file) {
  return {
      {"path", file.path}, {"size", file.size}, {"modified", file.modified}, {"hash", file.hash}};
}

FileIdentity identityOf(const json& j) {
  return {j.at("path"), j.at("size").get<uint64_t>(), j.at("modified").get<int64_t>(),
          j.at("hash")};
}

json inputsJson(const TaskInputs& inputs) {
  return {{"mdl", identityJson(inputs.mdl)},
          {"calibration", identityJson(inputs.calib)},
          {"ds", identityJson(inputs.ds)},
          {"records", {inputs.records.first, inputs.records.count}}};
}

TaskInputs inputsOf(const json& j) {
  return {identityOf(j.at("mdl")),
          identityOf(j.at("calibration")),
          identityOf(j.at("ds")),
          {j.at("records").at(0).get<int64_t>(), j.at("records").at(1).get<int64_t>()}};
}

json recordJson(const TaskRecord& record) {
  json seconds = json::array();
  for (const auto& [stage, value] : record.seconds) seconds.push_back({stage, value});
  json files = json::array();
  for (const auto& [name, size] : record.files) files.push_back({{"name", name}, {"size", size}});
  json rasters = json::object();
  for (const auto& [name, raster] : record.rasters) rasters[name] = rasterJson(raster);
  json footprint = nullptr;
  if (record.footprint) footprint = *record.footprint;
  return {{"state", record.done ? "done" : "failed"},
          {"reason", record.reason},
          {"project", record.project},
          {"first", record.first},
          {"last", record.last},
          {"samples", record.samples},
          {"points", record.points},
          {"peakMemoryKiB", record.peakMemoryKiB},
          {"footprint", footprint},
          {"seconds", seconds},
          {"files", files},
          {"rasters", rasters},
          {"notes", record.notes},
          {"track", record.track},
          {"inputs", inputsJson(record.inputs)},
          {"options", json::parse(record.options.empty() ? "null" : record.options)},
          {"grid", record.grid},
          {"runner", record.runner},
          {"poseFaults", poseFaultsJson(record.poseFaults)}};
}

TaskRecord recordOf(const json& j) {
  TaskRecord record;
  record.done = j.at("state") == "done";
  record.reason = j.at("reason");
  record.project = j.at("project");
  record.first = j.at("first").get<int64_t>();
  record.last = j.at("last").get<int64_t>();
  record.samples = j.at("samples").get<int64_t>();
  record.points = j.at("points").get<int64_t>();
  record.peakMemoryKiB = j.value("peakMemoryKiB", int64_t{0});
  if (!j.at("footprint").is_null()) record.footprint = j.at("footprint");
  for (const json& stage : j.at("seconds")) record.seconds.emplace_back(stage.at(0), stage.at(1));
  for (const json& file : j.at("files")) {
    record.files.emplace_back(file.at("name"), file.at("size").get<uint64_t>());
  }
  for (const auto& [name, raster] : j.at("rasters").items())
    record.rasters[name] = rasterOf(raster);
  record.notes = j.at("notes").get<std::vector<std::string>>();
  record.track = j.value("track", std::vector<std::array<double, 2>>{});  // older records: none
  record.inputs = inputsOf(j.at("inputs"));
  record.options = j.at("options").dump();
  record.grid = j.at("grid");
  record.runner = j.at("runner");
  if (j.contains("poseFaults")) record.poseFaults = poseFaultsOf(j.at("poseFaults"));
  return record;
}

}  // namespace

Status writeTaskRecord(const std::string& folder, const TaskRecord& record) {
  return writeWholeFile(folder + "/" + TASK_RECORD, recordJson(record).dump(2) + "\n");
}

Status readTaskRecord(const std::string& folder, TaskRecord& record) {
  const std::string path = folder + "/" + TASK_RECORD;
  std::vector<unsigned char> bytes;
  if (Status status = readFileBytes(path, bytes); !status.ok()) return status;
  try {
    record = recordOf(json::parse(bytes.begin(), bytes.end()));
  } catch (const json::exception& e) {
    return fileFault(std::string("unreadable task record: ") + e.what(), path);
  }
  return {};
}

std::vector<std::pair<std::string, uint64_t>> folderFiles(const std::string& folder) {
  std::vector<std::pair<std::string, uint64_t>> files;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
    const std::string name = entry.path().filename().string();
    if (name == TASK_RECORD || name == TASK_LOG || name == TASK_LOCK ||
        name.ends_with(TEMPORARY_SUFFIX)) {
      continue;
    }
    if (!entry.is_regular_file(error)) continue;
    files.emplace_back(name, entry.file_size(error));
  }
  std::sort(files.begin(), files.end());
  return files;
}

}  // namespace quorvel::batch
