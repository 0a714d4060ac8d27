#include "batch/plan.h"

#include <algorithm>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <set>

#include "batch/task_inputs.h"
#include "scan/file_bytes.h"
#include "scan/project_load.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;

constexpr const char* PLAN_FORMAT = "quorvel batch 2";

std::string canonicalPath(const std::string& path) {
  std::error_code error;
  const std::filesystem::path canonical = std::filesystem::weakly_canonical(path, error);
  return error ? std::filesystem::absolute(path).lexically_normal().string() : canonical.string();
}

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
    project.ds = canonicalPath(load.dsPath);
    FileIdentity identity;
    if (identifyFile(project.ds, identity).ok()) {
      project.dsSize = identity.size;
      project.dsModified = identity.modified;
    }
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
                        {"ds", project.ds},
                        {"dsSize", project.dsSize},
                        {"dsModified", project.dsModified},
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
  return {{"format", PLAN_FORMAT},
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
  j["grid"] = plan.grid;
  return j.dump(2) + "\n";
}

Status parsePlanJson(const std::string& text, BatchPlan& plan) {
  try {
    const json j = json::parse(text);
    if (j.at("format") != PLAN_FORMAT) {
      return fault("not a batch plan of this version", j.at("format").dump(), PLAN_FORMAT,
                   "delete it to plan the batch again (tasks whose inputs did not change stay "
                   "done)");
    }
    BatchPlan parsed;
    parsed.chunkLines = j.at("chunkLines").get<int32_t>();
    parsed.options = optionsOf(j.at("options"));
    parsed.options.threads = j.at("settings").at("threads").get<int>();
    parsed.options.timings = j.at("settings").at("timings").get<bool>();
    for (const json& p : j.at("projects")) {
      parsed.projects.push_back({p.at("name"), p.at("mdl"), p.at("ds"),
                                 p.at("dsSize").get<uint64_t>(), p.at("dsModified").get<int64_t>(),
                                 p.at("lines").get<int64_t>(), p.at("unreadable")});
    }
    for (const json& t : j.at("tasks")) {
      const int32_t project = t.at("project").get<int32_t>();
      if (project < 0 || static_cast<size_t>(project) >= parsed.projects.size()) {
        return fault("task of an unknown project", std::to_string(project));
      }
      parsed.tasks.push_back(
          {project, t.at("first").get<int64_t>(), t.at("last").get<int64_t>(), t.at("folder")});
    }
    parsed.grid = j.at("grid");
    plan = std::move(parsed);
  } catch (const json::exception& e) {
    return fault("unreadable batch plan", e.what());
  }
  return {};
}

Status checkDistinctDrives(const std::vector<std::string>& mdlPaths, const BatchPlan& plan) {
  for (size_t a = 0; a < plan.projects.size(); ++a) {
    for (size_t b = 0; b < a; ++b) {
      const PlannedProject& p = plan.projects[a];
      const PlannedProject& q = plan.projects[b];
      if (canonicalPath(p.mdl) == canonicalPath(q.mdl)) {
        return fault("the same drive twice", mdlPaths[b] + " and " + mdlPaths[a],
                     "each project once", "both are " + canonicalPath(p.mdl));
      }
      if (!p.ds.empty() && p.ds == q.ds) {
        return fault("the same drive twice", mdlPaths[b] + " and " + mdlPaths[a],
                     "each DS file once", "both name " + p.ds);
      }
    }
  }
  return {};
}

namespace {

// Why a project readable then and now may not go on with its plan, or empty.
std::string projectChange(const PlannedProject& then, const PlannedProject& now, bool maps) {
  if (now.lines != then.lines || now.ds != then.ds) {
    return then.ds + ": " + std::to_string(now.lines) + " scan lines now, " +
           std::to_string(then.lines) + " then";
  }
  if (maps && (now.dsSize != then.dsSize || now.dsModified != then.dsModified)) {
    return then.ds + ": another size or time than the map grid was made from";
  }
  return "";
}

}  // namespace

Status settlePlan(const BatchPlan& existing, const BatchPlan& fresh, BatchPlan& settled,
                  bool& replanned) {
  replanned = false;
  settled = existing;
  const auto names = [](const BatchPlan& plan) {
    std::vector<std::pair<std::string, std::string>> list;
    for (const PlannedProject& p : plan.projects) list.emplace_back(p.name, p.mdl);
    return list;
  };
  if (existing.chunkLines != fresh.chunkLines ||
      optionsJson(existing.options) != optionsJson(fresh.options) ||
      names(existing) != names(fresh)) {
    return fault("a different batch is planned in this folder", "", "",
                 "use another --out folder, or the same projects and options");
  }
  settled.tasks.clear();
  for (size_t i = 0; i < fresh.projects.size(); ++i) {
    const PlannedProject& then = existing.projects[i];
    const PlannedProject& now = fresh.projects[i];
    if (!then.unreadable.empty()) {
      settled.projects[i] = now;  // could not be read then: planned as it is now
    } else if (const std::string change = projectChange(then, now, planHasMaps(existing));
               now.unreadable.empty() && !change.empty()) {
      return fault("the DS file of " + then.name + " has changed since the batch was planned",
                   change, "",
                   "if it is complete now, delete batch.json and run the batch again (tasks whose "
                   "inputs and grid did not change stay done)");
    }
    addTasks(settled.projects[i], static_cast<int32_t>(i), settled.chunkLines, settled.tasks);
  }
  replanned = !samePlan(existing, settled);
  return {};
}

bool planHasMaps(const BatchPlan& plan) {
  const std::vector<std::string>& exports = plan.options.exports;
  return std::any_of(exports.begin(), exports.end(), [](const std::string& name) {
    return name == "count-map" || name == "road-height" || name == "geotiff";
  });
}

std::string outputOptionsText(const RunOptions& options) {
  return optionsJson(options).dump();
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
