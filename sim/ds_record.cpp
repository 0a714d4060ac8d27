#include "sim/ds_record.h"

#include <bit>

namespace quorvel::sim {

namespace {

void appendLittleEndian(std::vector<unsigned char>& out, uint64_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>(value >> (8 * i)));
}

}  // namespace

void appendDsRecord(std::vector<unsigned char>& out, const Vec3& attitude, const Vec3& position,
                    uint32_t reserved, std::span<const int16_t> ranges) {
  for (const double angle : attitude) appendLittleEndian(out, std::bit_cast<uint64_t>(angle), 8);
  for (const double coordinate : position) {
    appendLittleEndian(out, std::bit_cast<uint64_t>(coordinate), 8);
  }
  appendLittleEndian(out, reserved, 4);
  for (const int16_t raw : ranges) appendLittleEndian(out, std::bit_cast<uint16_t>(raw), 2);
}

}  // namespace quorvel::sim
