// Whole-file reading, so that every reader can hand plain bytes to its parser.
#pragma once

#include <string>
#include <vector>

#include "scan/status.h"

namespace quorvel {

// Reads the whole file into bytes; fails when it cannot be opened or read.
Status readFileBytes(const std::string& path, std::vector<unsigned char>& bytes);

}  // namespace quorvel
