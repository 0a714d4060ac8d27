// The MDL project file: DIR, DS and CALIB lines naming the directory, the DS scan file and the
// calibration file. One process-wide instance of the paths, `projectPaths`.
#pragma once

#include <span>
#include <string>

#include "scan/status.h"

namespace quorvel {

inline constexpr size_t PATH_BUFFER_SIZE = 260;  // characters, terminator included

struct ProjectPaths {
  std::string directory;  // put in front of both names by plain concatenation
  std::string calibName;
  std::string dsName;
};

extern ProjectPaths projectPaths;

// Applies the keyword lines to paths: a later line wins, a missing keyword keeps the old value,
// a keyword without value gives an empty text. A value longer than a path buffer holds fails
// the whole file, and paths is then unchanged.
Status parseMdlFile(std::span<const unsigned char> bytes, ProjectPaths& paths);

Status readMdlFile(const std::string& path, ProjectPaths& paths);
int loadMdlFile(const char* path);  // 1 / 0 on the process-wide paths

// directory + name, as the project joins them (no separator added); fails when the result does
// not fit a path buffer.
Status joinProjectPath(const std::string& directory, const std::string& name, std::string& joined);

// Where a joined project path lies on disk: a relative path is taken relative to the folder of
// the MDL file, as the window's open dialog makes that folder the current one.
std::string resolveProjectPath(const std::string& mdlPath, const std::string& joined);

}  // namespace quorvel
