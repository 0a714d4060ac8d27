// The painter of the class pictures: each sample in the colour that PaintClass gives its byte of
// a line-major class map (the line segment mask, the surface classes), the call inlined. Paints
// only when the picture's precondition, the map's existence, holds.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "render/mesh_builder.h"

namespace quorvel {

template <void (*PaintClass)(unsigned code, uint8_t* bgr)>
struct ClassMapPainter {
  const ScanStore& store;
  const std::optional<std::vector<uint8_t>>& map;
  void prepareTile(int32_t, int32_t) {}
  void paint(int32_t l, int32_t s, uint8_t* bgr) const {
    PaintClass((*map)[lineMajorIndex(store, l, s)], bgr);
  }
};

}  // namespace quorvel
