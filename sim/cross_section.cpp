#include "sim/cross_section.h"

#include <algorithm>

namespace quorvel::sim {

namespace {

void addStep(Scene& scene, double x0, double x1, const ProfileVertex& a, const ProfileVertex& b) {
  scene.walls.items.push_back(
      alongWall(a.v, x0, x1, std::min(a.w, b.w), std::max(a.w, b.w), a.towardNext));
}

}  // namespace

void addCrossSection(Scene& scene, double x0, double x1, const CrossSection& section) {
  for (size_t i = 0; i + 1 < section.size(); ++i) {
    const ProfileVertex& a = section[i];
    const ProfileVertex& b = section[i + 1];
    if (a.v == b.v) {
      addStep(scene, x0, x1, a, b);
    } else {
      scene.pieces.items.push_back({x0, x1, a.v, b.v, a.w, b.w, a.towardNext});
    }
  }
}

CrossSection mirrored(const CrossSection& section) {
  CrossSection result;
  for (auto vertex = section.rbegin(); vertex != section.rend(); ++vertex) {
    const SurfaceClass towardNext =
        vertex + 1 != section.rend() ? (vertex + 1)->towardNext : SurfaceClass::None;
    result.push_back({-vertex->v, vertex->w, towardNext});
  }
  return result;
}

}  // namespace quorvel::sim
