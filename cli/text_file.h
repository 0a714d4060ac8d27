// Writing a whole text file for the command line's outputs.
#pragma once

#include <string>

#include "scan/status.h"

namespace quorvel::cli {

// Creates or replaces the file with exactly these bytes; the reason names the path on failure.
Status writeTextFile(const std::string& path, const std::string& text);

}  // namespace quorvel::cli
