// The list of recently opened projects that the File menu offers, most recent first.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace quorvel {

inline constexpr size_t RECENT_PROJECT_LIMIT = 8;

// The list after opening `path`: it comes first, its older entry goes, and the list keeps at
// most RECENT_PROJECT_LIMIT entries.
std::vector<std::string> withRecentProject(std::vector<std::string> recent,
                                           const std::string& path);

}  // namespace quorvel
