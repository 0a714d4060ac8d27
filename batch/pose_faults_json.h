// The pose faults of a task's lines in task.json and report.json: runs as [first line, count],
// and the cut record, e.g.
//   {"nonFinite": [[150, 1]], "glitches": [[200, 3]], "cutRecord": null}
#pragma once

#include <nlohmann/json.hpp>

#include "scan/pose_faults.h"

namespace quorvel::batch {

nlohmann::json poseFaultsJson(const PoseFaults& faults);
PoseFaults poseFaultsOf(const nlohmann::json& j);  // throws nlohmann::json::exception

}  // namespace quorvel::batch
