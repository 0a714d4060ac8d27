#include "batch/plan.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "scan/file_bytes.h"
#include "scan/project_load.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;

// The MDL file name without its extension, made unique within the batch with ".2", ".3", ...
std::string uniqueName(const std::string& mdlPath, std::set<std::string>& taken) {
  const std::string stem = std::filesystem::path(mdlPath).stem().string();
  std::string name = stem;
  for (int k = 2; !taken.insert(name).second; ++k) name = stem + "." + std::to_string(k);
  return name;
}

PlannedProject planProject(const std::string& mdlPath, std::set<std::string>& taken) {
  PlannedProject project;
  project.name = uniqueName(mdlPath, taken);
  project.mdl = std::filesystem::absolute(mdlPath).lexically_normal().string();
  ProjectPaths paths;
  SensorCalib calib;
  ProjectLoad load;
  ProjectLoadFailure failure;
  if (readProject(project.mdl, paths, calib, load, failure, LineWindow{0, 0})) {
    project.lines = load.ds.fileLines;
  } else {
    project.unreadable = failure.text + ": " + failure.caption + " (" + failure.reason + ")";
  }
  return project;
}

void addTasks(const PlannedProject& project, int32_t index, int32_t chunkLines,
              std::vector<PlannedTask>& tasks) {
  const int64_t lines = std::max<int64_t>(project.lines, 1);  // an unreadable project: one task
  for (int64_t first = 0; first < lines; first += chunkLines) {
    const int64_t last = std::min(first + chunkLines, lines) - 1;
    tasks.push_back(
        {index, first, last,
         "tasks/" + project.name + "-" + std::to_string(first) + "-" + std::to_string(last)});
  }
}

json optionsJson(const RunOptions& options) {
  json mask = nullptr;
  if (options.mask) mask = {options.mask->stno, options.mask->edno};
  json epsg = nullptr;
  if (options.epsg) epsg = *options.epsg;
  return {{"images", options.images},
          {"exports", options.exports},
          {"dump", options.dump},
          {"mask", mask},
          {"inverse", options.inverse},
          {"dropPoseGlitches", options.dropPoseGlitches},
          {"epsg", epsg},
          {"mapTemplate", options.mapTemplate.value_or("")}};
}

RunOptions optionsOf(const json& j) {
  RunOptions options;
  options.images = j.at("images").get<std::vector<std::string>>();
  options.exports = j.at("exports").get<std::vector<std::string>>();
  options.dump = j.at("dump").get<bool>();
  if (!j.at("mask").is_null()) {
    options.mask = MaskRange{j.at("mask").at(0).get<int32_t>(), j.at("mask").at(1).get<int32_t>()};
  }
  options.inverse = j.at("inverse").get<bool>();
  options.dropPoseGlitches = j.value("dropPoseGlitches", false);  // absent in older plans
  if (!j.at("epsg").is_null()) options.epsg = j.at("epsg").get<int32_t>();
  const std::string mapTemplate = j.at("mapTemplate").get<std::string>();
  if (!mapTemplate.empty()) options.mapTemplate = mapTemplate;
  return options;
}

// The part of a plan that decides the outputs.
json planCore(const BatchPlan& plan) {
  json projects = json::array();
  for (const PlannedProject& project : plan.projects) {
    projects.push_back({{"name", project.name},
                        {"mdl", project.mdl},
                        {"lines", project.lines},
                        {"unreadable", project.unreadable}});
  }
  json tasks = json::array();
  for (const PlannedTask& task : plan.tasks) {
    tasks.push_back({{"project", task.project},
                     {"first", task.first},
                     {"last", task.last},
                     {"folder", task.folder}});
  }
  return {{"format", "quorvel batch 1"},
          {"chunkLines", plan.chunkLines},
          {"options", optionsJson(plan.options)},
          {"projects", projects},
          {"tasks", tasks}};
}

}  // namespace

BatchPlan planBatch(const std::vector<std::string>& mdlPaths, int32_t chunkLines,
                    const RunOptions& options) {
  BatchPlan plan;
  plan.chunkLines = chunkLines;
  plan.options = options;
  std::set<std::string> taken;
  for (const std::string& path : mdlPaths) {
    plan.projects.push_back(planProject(path, taken));
    addTasks(plan.projects.back(), static_cast<int32_t>(plan.projects.size() - 1), chunkLines,
             plan.tasks);
  }
  return plan;
}

std::string planJson(const BatchPlan& plan) {
  json j = planCore(plan);
  j["settings"] = {{"threads", plan.options.threads}, {"timings", plan.options.timings}};
  return j.dump(2) + "\n";
}

Status parsePlanJson(const std::string& text, BatchPlan& plan) {
  try {
    const json j = json::parse(text);
    if (j.at("format") != "quorvel batch 1") return fault("not a batch plan", "", "", "format");
    BatchPlan parsed;
    parsed.chunkLines = j.at("chunkLines").get<int32_t>();
    parsed.options = optionsOf(j.at("options"));
    parsed.options.threads = j.at("settings").at("threads").get<int>();
    parsed.options.timings = j.at("settings").at("timings").get<bool>();
    for (const json& p : j.at("projects")) {
      parsed.projects.push_back(
          {p.at("name"), p.at("mdl"), p.at("lines").get<int64_t>(), p.at("unreadable")});
    }
    for (const json& t : j.at("tasks")) {
      const int32_t project = t.at("project").get<int32_t>();
      if (project < 0 || static_cast<size_t>(project) >= parsed.projects.size()) {
        return fault("task of an unknown project", std::to_string(project));
      }
      parsed.tasks.push_back(
          {project, t.at("first").get<int64_t>(), t.at("last").get<int64_t>(), t.at("folder")});
    }
    plan = std::move(parsed);
  } catch (const json::exception& e) {
    return fault("unreadable batch plan", e.what());
  }
  return {};
}

bool samePlan(const BatchPlan& a, const BatchPlan& b) {
  return planCore(a) == planCore(b);
}

Status readPlan(const std::string& dir, BatchPlan& plan) {
  std::vector<unsigned char> bytes;
  const std::string path = dir + "/batch.json";
  if (Status status = readFileBytes(path, bytes); !status.ok()) return status;
  Status status = parsePlanJson(std::string(bytes.begin(), bytes.end()), plan);
  if (!status.ok()) status.file = path;
  return status;
}

int64_t taskLineCount(const PlannedTask& task) {
  return task.last - task.first + 1;
}

}  // namespace quorvel::batch
