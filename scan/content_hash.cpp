#include "scan/content_hash.h"

#include <cstdio>

namespace quorvel {

std::string hashText(uint64_t hash) {
  char text[17];
  std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(hash));
  return text;
}

}  // namespace quorvel
