// A 64-bit FNV-1a hash of bytes: the fingerprint of inputs a batch task was computed from, and
// the tests' pins of known outputs. Not for security.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace quorvel {

inline uint64_t fnv1a(std::span<const unsigned char> bytes, uint64_t hash = 0xcbf29ce484222325ULL) {
  for (const unsigned char byte : bytes) hash = (hash ^ byte) * 0x100000001b3ULL;
  return hash;
}

std::string hashText(uint64_t hash);  // 16 lower-case hex digits

}  // namespace quorvel
