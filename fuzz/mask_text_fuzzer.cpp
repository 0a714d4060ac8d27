// Fuzz target: the text typed into the Set Mask Range fields (and --mask), and the integers of
// a map header template.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scan/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  quorvel::leadingInteger(text);
  int32_t value = 0;
  quorvel::parseInteger(text, value);
  return 0;
}
