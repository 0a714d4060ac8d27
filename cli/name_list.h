// The comma-separated name lists of the command line (--images, --export).
#pragma once

#include <string>
#include <vector>

#include "scan/status.h"

namespace quorvel::cli {

// "all" gives the names `all`; otherwise each entry must be known and repeats are dropped,
// keeping the order given. A fault names the unknown entry as `what` (e.g. "unknown picture").
Status parseNameList(const std::string& list, const std::vector<std::string>& known,
                     const std::vector<std::string>& all, const std::string& what,
                     std::vector<std::string>& names);

}  // namespace quorvel::cli
