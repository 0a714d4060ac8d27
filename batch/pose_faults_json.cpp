#include "batch/pose_faults_json.h"

namespace quorvel::batch {

namespace {

using nlohmann::json;

json runsJson(const std::vector<LineRun>& runs) {
  json list = json::array();
  for (const LineRun& run : runs) list.push_back({run.first, run.count});
  return list;
}

std::vector<LineRun> runsOf(const json& list) {
  std::vector<LineRun> runs;
  for (const json& run : list) runs.push_back({run.at(0).get<int64_t>(), run.at(1).get<int64_t>()});
  return runs;
}

}  // namespace

json poseFaultsJson(const PoseFaults& faults) {
  json cut = nullptr;
  if (const std::optional<CutRecord>& c = faults.cutRecord) {
    cut = {{"wholeRecords", c->wholeRecords},
           {"leftOverBytes", c->leftOverBytes},
           {"recordSize", c->recordSize},
           {"poseCut", c->poseCut}};
  }
  return {{"nonFinite", runsJson(faults.nonFinite)},
          {"glitches", runsJson(faults.glitches)},
          {"cutRecord", cut}};
}

PoseFaults poseFaultsOf(const json& j) {
  PoseFaults faults{runsOf(j.at("nonFinite")), runsOf(j.at("glitches")), std::nullopt};
  if (const json& cut = j.at("cutRecord"); !cut.is_null()) {
    faults.cutRecord =
        CutRecord{cut.at("wholeRecords").get<int64_t>(), cut.at("leftOverBytes").get<int64_t>(),
                  cut.at("recordSize").get<int32_t>(), cut.at("poseCut").get<bool>()};
  }
  return faults;
}

}  // namespace quorvel::batch
