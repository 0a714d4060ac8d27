#include "cli/name_list.h"

#include <algorithm>

namespace quorvel::cli {

namespace {

bool contains(const std::vector<std::string>& names, const std::string& name) {
  return std::find(names.begin(), names.end(), name) != names.end();
}

// "a, b, c or all"
std::string choices(const std::vector<std::string>& known) {
  std::string text;
  for (const std::string& name : known) text += name + ", ";
  text.resize(text.size() - 2);
  return text + " or all";
}

}  // namespace

Status parseNameList(const std::string& list, const std::vector<std::string>& known,
                     const std::vector<std::string>& all, const std::string& what,
                     std::vector<std::string>& names) {
  names.clear();
  if (list == "all") {
    names = all;
    return {};
  }
  size_t start = 0;
  while (start <= list.size()) {
    const size_t comma = std::min(list.find(',', start), list.size());
    const std::string name = list.substr(start, comma - start);
    if (!contains(known, name)) return fault(what, "'" + name + "'", choices(known));
    if (!contains(names, name)) names.push_back(name);
    start = comma + 1;
  }
  return {};
}

}  // namespace quorvel::cli
