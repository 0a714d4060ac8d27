#include "segment/region_seeds.h"

#include <algorithm>
#include <cmath>

#include "segment/segment_labels.h"

namespace quorvel {

void makeSeedQueue(const std::vector<uint16_t>& labels, const std::vector<double>& variance,
                   SeedQueue& queue) {
  // The variances sorted beside their indices keep the comparisons in the cache; the exact
  // reservation keeps the largest working buffer from doubling.
  queue.order.clear();
  queue.order.reserve(static_cast<size_t>(std::count_if(
      labels.begin(), labels.end(), [](uint16_t label) { return label == UNASSIGNED; })));
  for (size_t i = 0; i < labels.size(); ++i) {
    if (labels[i] == UNASSIGNED && !std::isnan(variance[i]))
      queue.order.push_back({variance[i], i});
  }
  std::sort(queue.order.begin(), queue.order.end(), [](const SeedKey& a, const SeedKey& b) {
    return a.variance < b.variance || (a.variance == b.variance && a.index < b.index);
  });
  queue.next = 0;
  queue.lowest = 0;
}

bool nextSeed(SeedQueue& queue, const std::vector<uint16_t>& labels,
              const std::vector<double>& variance, size_t& seed) {
  while (queue.lowest < labels.size() && labels[queue.lowest] != UNASSIGNED) ++queue.lowest;
  if (queue.lowest == labels.size()) return false;
  if (std::isnan(variance[queue.lowest])) {
    seed = queue.lowest;
    return true;
  }
  // The lowest unassigned sample is in the order and not yet taken, so this stops on or before it.
  while (labels[queue.order[queue.next].index] != UNASSIGNED) ++queue.next;
  seed = queue.order[queue.next].index;
  return true;
}

}  // namespace quorvel
