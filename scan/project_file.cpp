#include "scan/project_file.h"

#include "scan/file_bytes.h"
#include "scan/text_lines.h"

namespace quorvel {

ProjectPaths projectPaths;

namespace {

Status takeValue(const std::vector<std::string_view>& tokens, size_t lineNumber,
                 std::string& target) {
  const std::string_view value = tokens.size() > 1 ? tokens[1] : std::string_view();
  if (value.size() >= PATH_BUFFER_SIZE) {
    return fault("value too long for a path", std::to_string(value.size()) + " characters",
                 "at most 259", "line " + std::to_string(lineNumber));
  }
  target.assign(value);
  return {};
}

bool isAbsolutePath(const std::string& path) {
  if (!path.empty() && (path[0] == '/' || path[0] == '\\')) return true;
  const bool driveLetter =
      path.size() >= 2 && path[1] == ':' &&
      ((path[0] >= 'A' && path[0] <= 'Z') || (path[0] >= 'a' && path[0] <= 'z'));
  return driveLetter;
}

}  // namespace

Status parseMdlFile(std::span<const unsigned char> bytes, ProjectPaths& paths) {
  ProjectPaths result = paths;
  size_t lineNumber = 0;
  for (const std::string& line : splitTextLines(bytes)) {
    ++lineNumber;
    std::string* target = nullptr;
    if (startsWithKeyword(line, "DIR")) {
      target = &result.directory;
    } else if (startsWithKeyword(line, "DS")) {
      target = &result.dsName;
    } else if (startsWithKeyword(line, "CALIB")) {
      target = &result.calibName;
    }
    if (!target) continue;
    Status status = takeValue(splitTokens(line), lineNumber, *target);
    if (!status.ok()) return status;
  }
  paths = std::move(result);
  return {};
}

Status readMdlFile(const std::string& path, ProjectPaths& paths) {
  std::vector<unsigned char> bytes;
  Status status = readFileBytes(path, bytes);
  if (!status.ok()) return status;
  return parseMdlFile(bytes, paths);
}

int loadMdlFile(const char* path) {
  return readMdlFile(path, projectPaths).ok() ? 1 : 0;
}

Status joinProjectPath(const std::string& directory, const std::string& name, std::string& joined) {
  std::string result = directory + name;
  if (result.size() >= PATH_BUFFER_SIZE) {
    return fault("joined path too long", std::to_string(result.size()) + " characters",
                 "at most 259");
  }
  joined = std::move(result);
  return {};
}

std::string resolveProjectPath(const std::string& mdlPath, const std::string& joined) {
  if (isAbsolutePath(joined)) return joined;
  const size_t separator = mdlPath.find_last_of("/\\");
  if (separator == std::string::npos) return joined;
  return mdlPath.substr(0, separator + 1) + joined;
}

}  // namespace quorvel
