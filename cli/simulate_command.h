// `quorvel simulate --out DIR ...`: writes a synthetic project with its ground truth.
#pragma once

#include <ostream>
#include <string>

#include "sim/simulator.h"

namespace quorvel::cli {

int runSimulate(const SimulationOptions& options, const std::string& outDir, std::ostream& out,
                std::ostream& err);  // exit status

}  // namespace quorvel::cli
