// `quorvel info PROJECT.mdl`: loads a project and describes it.
#pragma once

#include <ostream>
#include <string>

namespace quorvel::cli {

int runInfo(const std::string& mdlPath, std::ostream& out, std::ostream& err);  // exit status

}  // namespace quorvel::cli
