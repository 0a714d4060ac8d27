// A 64-bit FNV-1a hash of bytes, to pin known outputs in a line of a test.
#pragma once

#include <cstdint>
#include <span>

namespace quorvel::test {

inline uint64_t fnv1a(std::span<const unsigned char> bytes, uint64_t hash = 0xcbf29ce484222325ULL) {
  for (const unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001b3ULL;
  return hash;
}

}  // namespace quorvel::test
