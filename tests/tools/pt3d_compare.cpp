// Compares two point files written by different builds: the same number of records, the same
// colour and padding bytes, and coordinates that agree within a tolerance. The C libraries of
// the platforms round sine and cosine differently in the last bit now and then, so coordinates
// may differ there. Usage: pt3d_compare A B TOLERANCE. Prints the largest coordinate difference
// and exits 0 when the files agree.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

constexpr size_t RECORD = 32;

std::vector<char> readAll(const char* path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

double coordinate(const std::vector<char>& bytes, size_t offset) {
  double value;
  std::memcpy(&value, bytes.data() + offset, sizeof value);
  return value;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: pt3d_compare A B TOLERANCE\n");
    return 2;
  }
  const std::vector<char> a = readAll(argv[1]), b = readAll(argv[2]);
  const double tolerance = std::atof(argv[3]);
  if (a.size() != b.size() || a.size() % RECORD != 0) {
    std::printf("sizes differ: %zu and %zu bytes\n", a.size(), b.size());
    return 1;
  }
  double largest = 0;
  size_t differing = 0, otherBytes = 0;
  for (size_t record = 0; record < a.size(); record += RECORD) {
    for (size_t axis = 0; axis < 3; ++axis) {
      const double d =
          std::fabs(coordinate(a, record + 8 * axis) - coordinate(b, record + 8 * axis));
      if (d > largest || std::isnan(d)) largest = std::isnan(d) ? INFINITY : d;
      differing += d != 0;
    }
    otherBytes += std::memcmp(a.data() + record + 24, b.data() + record + 24, RECORD - 24) != 0;
  }
  std::printf("%zu records, %zu coordinates differ, largest difference %g, %zu colours differ\n",
              a.size() / RECORD, differing, largest, otherBytes);
  return largest <= tolerance && otherBytes == 0 ? 0 : 1;
}
