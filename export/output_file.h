// A file created for writing in binary mode, truncating an existing one, and closed when the
// object ends. Write errors are not reported: the exports go on as the window's program does.
#pragma once

#include <cstdio>
#include <span>
#include <string>

namespace quorvel {

class OutputFile {
 public:
  explicit OutputFile(const std::string& path);
  ~OutputFile();
  OutputFile(const OutputFile&) = delete;
  OutputFile& operator=(const OutputFile&) = delete;

  bool isOpen() const { return file_ != nullptr; }
  void write(std::span<const unsigned char> bytes);

 private:
  std::FILE* file_;
};

}  // namespace quorvel
