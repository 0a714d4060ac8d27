#include "tests/support/ply_reader.h"

#include <cstdint>
#include <cstring>
#include <sstream>

namespace quorvel::test {

namespace {

// Size in bytes of a PLY scalar type (both the old and the sized names); 0 when unknown.
size_t typeSize(const std::string& type) {
  static const std::map<std::string, size_t> sizes = {
      {"char", 1},   {"int8", 1},    {"uchar", 1},  {"uint8", 1},  {"short", 2}, {"int16", 2},
      {"ushort", 2}, {"uint16", 2},  {"int", 4},    {"int32", 4},  {"uint", 4},  {"uint32", 4},
      {"float", 4},  {"float32", 4}, {"double", 8}, {"float64", 8}};
  const auto found = sizes.find(type);
  return found == sizes.end() ? 0 : found->second;
}

template <typename T>
double valueAs(const unsigned char* at) {
  T value;
  std::memcpy(&value, at, sizeof value);
  return static_cast<double>(value);
}

double valueOf(const std::string& type, const unsigned char* at) {
  if (type == "char" || type == "int8") return valueAs<int8_t>(at);
  if (type == "uchar" || type == "uint8") return valueAs<uint8_t>(at);
  if (type == "short" || type == "int16") return valueAs<int16_t>(at);
  if (type == "ushort" || type == "uint16") return valueAs<uint16_t>(at);
  if (type == "int" || type == "int32") return valueAs<int32_t>(at);
  if (type == "uint" || type == "uint32") return valueAs<uint32_t>(at);
  if (type == "float" || type == "float32") return valueAs<float>(at);
  return valueAs<double>(at);
}

// Reads the header lines; returns the offset of the data, or 0 on error.
size_t parseHeader(std::span<const unsigned char> bytes, PlyCloud& cloud, std::string& error) {
  const std::string text(bytes.begin(), bytes.end());
  const size_t end = text.find("\nend_header\n");
  if (text.rfind("ply\n", 0) != 0 || end == std::string::npos) {
    error = "no PLY header";
    return 0;
  }
  std::istringstream lines(text.substr(4, end - 4));
  std::string line;
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string keyword;
    words >> keyword;
    if (keyword == "format") {
      std::getline(words >> std::ws, cloud.format);
    } else if (keyword == "comment") {
      cloud.comments.push_back(line.substr(8));
    } else if (keyword == "obj_info") {
      continue;  // free text about the object, as a comment
    } else if (keyword == "element" && cloud.element.empty()) {
      words >> cloud.element >> cloud.count;
    } else if (keyword == "property") {
      std::string type, name;
      words >> type >> name;
      if (typeSize(type) == 0) {
        error = "unsupported property: " + line;
        return 0;
      }
      cloud.properties.emplace_back(type, name);
    } else {
      error = "unexpected header line: " + line;
      return 0;
    }
  }
  return end + std::strlen("\nend_header\n");
}

}  // namespace

bool parsePly(std::span<const unsigned char> bytes, PlyCloud& cloud, std::string& error) {
  cloud = {};
  const size_t data = parseHeader(bytes, cloud, error);
  if (data == 0) return false;
  if (cloud.format != "binary_little_endian 1.0") {
    error = "format " + cloud.format;
    return false;
  }
  size_t recordSize = 0;
  for (const auto& [type, name] : cloud.properties) recordSize += typeSize(type);
  if (bytes.size() - data != cloud.count * recordSize) {
    error = "data of " + std::to_string(bytes.size() - data) + " bytes for " +
            std::to_string(cloud.count) + " records of " + std::to_string(recordSize);
    return false;
  }
  const unsigned char* at = bytes.data() + data;
  for (size_t i = 0; i < cloud.count; ++i) {
    for (const auto& [type, name] : cloud.properties) {
      cloud.values[name].push_back(valueOf(type, at));
      at += typeSize(type);
    }
  }
  return true;
}

}  // namespace quorvel::test
