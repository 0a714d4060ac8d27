#include "scan/file_bytes.h"

#include <filesystem>
#include <new>

#include "scan/file_system.h"

namespace quorvel {

Status readFileBytes(const std::string& path, std::vector<unsigned char>& bytes) {
  FileHandle handle = -1;
  if (std::string reason = openRegularFile(path, handle); !reason.empty()) {
    return fileFault("cannot open the file: " + reason, path);
  }
  std::vector<unsigned char> content;
  unsigned char chunk[1 << 16];
  std::string reason;
  try {
    std::error_code ignored;  // the size only sizes the buffer; reading decides
    const auto expected = std::filesystem::file_size(path, ignored);
    if (!ignored) content.reserve(expected);
    for (;;) {
      size_t got = 0;
      reason = fileSystemCalls().read(handle, chunk, sizeof chunk, got);
      if (!reason.empty() || got == 0) break;
      content.insert(content.end(), chunk, chunk + got);
    }
  } catch (const std::bad_alloc&) {
    reason = "not enough memory after " + std::to_string(content.size()) + " bytes";
  }
  closeReadFile(handle);
  if (!reason.empty()) return fileFault("cannot read the file: " + reason, path);
  bytes = std::move(content);
  return {};
}

}  // namespace quorvel
