// Fuzz target: the text typed into the Set Mask Range fields.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "scan/text_lines.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  quorvel::leadingInteger(std::string_view(reinterpret_cast<const char*>(data), size));
  return 0;
}
