// `quorvel query PROJECT.mdl --line L --sample S`: loads the project, runs the region
// segmentation as command 134 does, and prints the Query Info fields of the segment of sample S
// of scan line L, one "Name: value" line each.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>

namespace quorvel::cli {

// Exit status; a sample without segment (any line and sample may be asked for) is reported as
// the window's "Unknown segment info" warning, with the reason.
int runQuery(const std::string& mdlPath, int64_t line, int64_t sample, std::ostream& out,
             std::ostream& err);

}  // namespace quorvel::cli
