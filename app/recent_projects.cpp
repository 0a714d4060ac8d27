#include "app/recent_projects.h"

#include <algorithm>

namespace quorvel {

std::vector<std::string> withRecentProject(std::vector<std::string> recent,
                                           const std::string& path) {
  recent.erase(std::remove(recent.begin(), recent.end(), path), recent.end());
  recent.insert(recent.begin(), path);
  if (recent.size() > RECENT_PROJECT_LIMIT) recent.resize(RECENT_PROJECT_LIMIT);
  return recent;
}

}  // namespace quorvel
