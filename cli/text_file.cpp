#include "cli/text_file.h"

#include <fstream>

namespace quorvel::cli {

Status writeTextFile(const std::string& path, const std::string& text) {
  std::ofstream file(path, std::ios::binary);
  if (!file) return fault("cannot create the file", path);
  file.write(text.data(), static_cast<std::streamsize>(text.size()));
  file.close();
  if (!file) return fault("cannot write the file", path);
  return {};
}

}  // namespace quorvel::cli
