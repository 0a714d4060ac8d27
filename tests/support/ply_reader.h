// A reader of binary little-endian PLY files with one element of scalar properties, written
// from the format's rules alone so that it checks a writer rather than repeating it.
#pragma once

#include <map>
#include <span>
#include <string>
#include <vector>

namespace quorvel::test {

struct PlyCloud {
  std::string format;                                           // e.g. "binary_little_endian 1.0"
  std::vector<std::string> comments;                            // without "comment "
  std::string element;                                          // the element's name
  size_t count = 0;                                             // its number of entries
  std::vector<std::pair<std::string, std::string>> properties;  // (type, name) in file order
  std::map<std::string, std::vector<double>> values;            // per property, entry order
};

// Parses the bytes; false with the reason in `error` when they are not such a PLY file or the
// data does not hold exactly `count` records.
bool parsePly(std::span<const unsigned char> bytes, PlyCloud& cloud, std::string& error);

}  // namespace quorvel::test
