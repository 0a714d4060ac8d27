// Whole-file reading, so that every reader can hand plain bytes to its parser.
#pragma once

#include <string>
#include <vector>

#include "scan/status.h"

namespace quorvel {

// Reads the whole file into bytes; fails when it is not a regular file (a folder, a named pipe,
// a device) or cannot be opened or read. The bytes are changed only on success.
Status readFileBytes(const std::string& path, std::vector<unsigned char>& bytes);

}  // namespace quorvel
