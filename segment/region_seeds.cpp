#include "segment/region_seeds.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <span>

#include "segment/segment_labels.h"

namespace quorvel {

namespace {

// The seed order; a lambda, so that std::sort inlines it.
constexpr auto before = [](const SeedKey& a, const SeedKey& b) {
  return a.variance < b.variance || (a.variance == b.variance && a.index < b.index);
};

// Moves the median of keys 1, size / 2 and size - 1 to keys[0] and partitions the rest around
// it, as std::sort does: returns the first key of the upper part, which comes after keys[0].
// The scans need no bounds: each stops at the median or at a key the other scan moved there.
size_t partitionAroundMedian(std::span<SeedKey> keys) {
  SeedKey& a = keys[1];
  SeedKey& b = keys[keys.size() / 2];
  SeedKey& c = keys[keys.size() - 1];
  if (before(a, b)) {
    std::swap(keys[0], before(b, c) ? b : (before(a, c) ? c : a));
  } else {
    std::swap(keys[0], before(a, c) ? a : (before(b, c) ? c : b));
  }
  const SeedKey& pivot = keys[0];
  size_t low = 1, high = keys.size();
  for (;;) {
    while (before(keys[low], pivot)) ++low;
    --high;
    while (before(pivot, keys[high])) --high;
    if (low >= high) return low;
    std::swap(keys[low], keys[high]);
    ++low;
  }
}

// Sorts keys by `before` as std::sort does, but partitions the ranges of more than
// SEED_SORT_BLOCK keys itself, polling run after each partition, down to `depth` levels (then
// the range is sorted at once); smaller ranges are sorted at once and counted.
bool sortSeeds(std::span<SeedKey> keys, int depth, StageRun& run) {
  while (keys.size() > SEED_SORT_BLOCK && depth-- > 0) {
    const size_t cut = partitionAroundMedian(keys);
    if (!run.advance(0)) return false;
    std::span<SeedKey> low = keys.first(cut), high = keys.subspan(cut);
    if (low.size() > high.size()) std::swap(low, high);
    if (!sortSeeds(low, depth, run)) return false;  // the smaller part: the stack stays shallow
    keys = high;
  }
  std::sort(keys.begin(), keys.end(), before);
  return run.advance(keys.size());
}

}  // namespace

bool makeSeedQueue(const std::vector<uint16_t>& labels, const std::vector<double>& variance,
                   SeedQueue& queue, StageRun& run) {
  // The variances sorted beside their indices keep the comparisons in the cache; the exact
  // reservation keeps the largest working buffer from doubling.
  queue.order.clear();
  queue.order.reserve(static_cast<size_t>(std::count_if(
      labels.begin(), labels.end(), [](uint16_t label) { return label == UNASSIGNED; })));
  for (size_t i = 0; i < labels.size(); ++i) {
    if (labels[i] == UNASSIGNED && !std::isnan(variance[i]))
      queue.order.push_back({variance[i], i});
  }
  queue.next = 0;
  queue.lowest = 0;
  const int depth = 2 * std::bit_width(queue.order.size());
  return sortSeeds(queue.order, depth, run);
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
