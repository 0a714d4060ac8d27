#include "export/npy_file.h"

#include "scan/output_file.h"

namespace quorvel {

namespace {

template <typename T>
std::span<const unsigned char> asBytes(std::span<const T> values) {
  return {reinterpret_cast<const unsigned char*>(values.data()), values.size_bytes()};
}

}  // namespace

std::vector<unsigned char> npyHeader(const std::string& typeCode, std::span<const size_t> shape) {
  std::string dict = "{'descr': '" + typeCode + "', 'fortran_order': False, 'shape': (";
  for (size_t i = 0; i < shape.size(); ++i) {
    if (i > 0) dict += ", ";
    dict += std::to_string(shape[i]);
  }
  if (shape.size() == 1) dict += ",";  // a one-element tuple is written (3,)
  dict += "), }";
  const size_t fixed = 10;  // magic, version, header length
  size_t total = fixed + dict.size() + 1;
  total = (total + 63) / 64 * 64;
  dict.append(total - fixed - dict.size() - 1, ' ');
  dict += '\n';
  std::vector<unsigned char> header = {0x93, 'N', 'U', 'M', 'P', 'Y', 1, 0};
  header.push_back(static_cast<unsigned char>(dict.size() & 0xff));
  header.push_back(static_cast<unsigned char>(dict.size() >> 8));
  header.insert(header.end(), dict.begin(), dict.end());
  return header;
}

Status writeNpyFile(const std::string& path, const std::string& typeCode,
                    std::span<const size_t> shape, std::span<const unsigned char> data) {
  const std::vector<unsigned char> header = npyHeader(typeCode, shape);
  OutputFile file(path);
  file.write(header);
  file.write(data);
  return file.commit();
}

Status writeNpyFile(const std::string& path, std::span<const size_t> shape,
                    std::span<const uint8_t> values) {
  return writeNpyFile(path, "|u1", shape, asBytes(values));
}

Status writeNpyFile(const std::string& path, std::span<const size_t> shape,
                    std::span<const uint16_t> values) {
  return writeNpyFile(path, "<u2", shape, asBytes(values));
}

Status writeNpyFile(const std::string& path, std::span<const size_t> shape,
                    std::span<const double> values) {
  return writeNpyFile(path, "<f8", shape, asBytes(values));
}

}  // namespace quorvel
