// Binary records built field by field: each value is appended in the host's byte order, which is
// little-endian (checked where ScanLine is declared), with no gaps between fields.
#pragma once

#include <algorithm>
#include <cstring>
#include <type_traits>
#include <vector>

namespace quorvel {

struct ByteRecord {
  std::vector<unsigned char> bytes;

  ByteRecord() = default;
  explicit ByteRecord(size_t size) { bytes.reserve(size); }  // room for a record of `size` bytes

  template <typename T>
  ByteRecord& put(T value) {
    static_assert(std::is_arithmetic_v<T>);
    unsigned char raw[sizeof(T)];
    std::memcpy(raw, &value, sizeof(T));
    bytes.insert(bytes.end(), raw, raw + sizeof(T));
    return *this;
  }

  // `text` NUL-padded (or cut) to `size` bytes, as the fixed-size text fields of a header.
  ByteRecord& putText(const char* text, size_t size) {
    const size_t length = std::min(std::strlen(text), size);
    bytes.insert(bytes.end(), text, text + length);
    bytes.insert(bytes.end(), size - length, 0);
    return *this;
  }
};

}  // namespace quorvel
