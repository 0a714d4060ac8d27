#include "scan/parallel_for.h"

#include <algorithm>
#include <system_error>
#include <thread>
#include <vector>

namespace quorvel {

ParallelOptions parallelOptions;

int workerCount(const ParallelOptions& options) {
  if (options.threads > 0) return options.threads;
  return std::max(1u, std::thread::hardware_concurrency());
}

void parallelFor(size_t count, const ParallelOptions& options,
                 const std::function<void(size_t begin, size_t end)>& body) {
  const size_t workers = std::min(count, static_cast<size_t>(workerCount(options)));
  if (workers <= 1) {
    if (count > 0) body(0, count);
    return;
  }
  std::vector<std::thread> threads;
  size_t w = 1;
  try {
    threads.reserve(workers - 1);
    for (; w < workers; ++w) {
      threads.emplace_back(body, count * w / workers, count * (w + 1) / workers);
    }
  } catch (const std::system_error&) {
    // No more threads to be had: the ranges not handed out run here, the results are the same.
  } catch (const std::bad_alloc&) {
  }
  body(0, count / workers);
  for (; w < workers; ++w) body(count * w / workers, count * (w + 1) / workers);
  for (std::thread& thread : threads) thread.join();
}

}  // namespace quorvel
