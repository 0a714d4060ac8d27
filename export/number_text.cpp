#include "export/number_text.h"

#include <charconv>

namespace quorvel {

std::string numberText(double value) {
  char buffer[32];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
  return std::string(buffer, result.ptr);
}

}  // namespace quorvel
