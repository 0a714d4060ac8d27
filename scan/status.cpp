#include "scan/status.h"

namespace quorvel {

Status fault(std::string_view what, std::string_view value, std::string_view expected,
             std::string_view where) {
  std::string text(what);
  if (!value.empty()) text.append(": ").append(value);
  if (!expected.empty()) text.append("; expected ").append(expected);
  if (!where.empty()) text.append("; ").append(where);
  return Status{text, {}};
}

Status fileFault(std::string_view reason, std::string_view file) {
  return Status{std::string(reason), std::string(file)};
}

}  // namespace quorvel
