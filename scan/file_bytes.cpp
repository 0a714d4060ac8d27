#include "scan/file_bytes.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <new>

namespace quorvel {

namespace {

struct FileCloser {
  void operator()(std::FILE* file) const { std::fclose(file); }
};

}  // namespace

Status readFileBytes(const std::string& path, std::vector<unsigned char>& bytes) {
  std::unique_ptr<std::FILE, FileCloser> file(std::fopen(path.c_str(), "rb"));
  if (!file) return fault("cannot open the file", std::strerror(errno));
  std::vector<unsigned char> content;
  unsigned char chunk[1 << 16];
  try {
    std::error_code ignored;  // the size only sizes the buffer; reading decides
    const auto expected = std::filesystem::file_size(path, ignored);
    if (!ignored) content.reserve(expected);
    for (;;) {
      const size_t got = std::fread(chunk, 1, sizeof chunk, file.get());
      content.insert(content.end(), chunk, chunk + got);
      if (got < sizeof chunk) break;
    }
  } catch (const std::bad_alloc&) {
    return fault("not enough memory to read the file", std::to_string(content.size()) + " bytes");
  }
  if (std::ferror(file.get())) return fault("cannot read the file", std::strerror(errno));
  bytes = std::move(content);
  return {};
}

}  // namespace quorvel
