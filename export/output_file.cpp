#include "export/output_file.h"

namespace quorvel {

OutputFile::OutputFile(const std::string& path) : file_(std::fopen(path.c_str(), "wb")) {}

OutputFile::~OutputFile() {
  if (file_) std::fclose(file_);
}

void OutputFile::write(std::span<const unsigned char> bytes) {
  if (file_ && !bytes.empty()) std::fwrite(bytes.data(), 1, bytes.size(), file_);
}

}  // namespace quorvel
