#include "sim/scene.h"

#include <algorithm>

namespace quorvel::sim {

namespace {

template <typename Primitive>
void finishList(PrimitiveList<Primitive>& list) {
  std::stable_sort(
      list.items.begin(), list.items.end(),
      [](const Primitive& a, const Primitive& b) { return alongStart(a) < alongStart(b); });
  list.longest = 0;
  for (const Primitive& item : list.items) {
    list.longest = std::max(list.longest, alongEnd(item) - alongStart(item));
  }
}

template <typename Primitive>
void selectFrom(const PrimitiveList<Primitive>& list, double x0, double x1,
                std::vector<const Primitive*>& selected) {
  selected.clear();
  auto item = std::lower_bound(
      list.items.begin(), list.items.end(), x0 - list.longest,
      [](const Primitive& primitive, double x) { return alongStart(primitive) < x; });
  for (; item != list.items.end() && alongStart(*item) <= x1; ++item) {
    if (alongEnd(*item) >= x0) selected.push_back(&*item);
  }
}

template <typename Primitive>
void intersectAll(const StreetRay& ray, const std::vector<const Primitive*>& primitives,
                  RayHit& nearest) {
  for (const Primitive* primitive : primitives) intersect(ray, *primitive, nearest);
}

}  // namespace

void finishScene(Scene& scene) {
  finishList(scene.pieces);
  finishList(scene.walls);
  finishList(scene.poles);
  finishList(scene.boxes);
}

void selectCandidates(const Scene& scene, double x0, double x1, LineCandidates& candidates) {
  selectFrom(scene.pieces, x0, x1, candidates.pieces);
  selectFrom(scene.walls, x0, x1, candidates.walls);
  selectFrom(scene.poles, x0, x1, candidates.poles);
  selectFrom(scene.boxes, x0, x1, candidates.boxes);
}

RayHit castRay(const LineCandidates& candidates, const StreetRay& ray) {
  RayHit nearest;
  intersectAll(ray, candidates.pieces, nearest);
  intersectAll(ray, candidates.walls, nearest);
  intersectAll(ray, candidates.poles, nearest);
  intersectAll(ray, candidates.boxes, nearest);
  return nearest;
}

}  // namespace quorvel::sim
