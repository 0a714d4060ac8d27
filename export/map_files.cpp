#include "export/map_files.h"

#include <cstdio>
#include <vector>

#include "scan/project_file.h"  // for PATH_BUFFER_SIZE

namespace quorvel {

namespace {

// One header line: the printf format (without its line end) applied to the value, then CR LF.
template <typename Value>
std::string headerLine(const char* format, Value value) {
  const int size = std::snprintf(nullptr, 0, format, value);
  std::vector<char> text(static_cast<size_t>(size) + 1);
  std::snprintf(text.data(), text.size(), format, value);
  return std::string(text.data(), static_cast<size_t>(size)) + "\r\n";
}

bool fitsPathBuffer(const std::string& path) {
  return path.size() < PATH_BUFFER_SIZE;
}

}  // namespace

std::optional<MapFileNames> mapFileNames(const std::string& chosenPath, const char* suffix) {
  if (!fitsPathBuffer(chosenPath)) return std::nullopt;
  const size_t dot = chosenPath.rfind('.');
  const std::string base = chosenPath.substr(0, dot) + suffix;
  MapFileNames names{base + ".master", base + ".raw"};
  if (!fitsPathBuffer(names.header)) return std::nullopt;
  return names;
}

std::string mapHeaderText(const MapParams& params, MapHeaderKind kind) {
  const bool road = kind == MapHeaderKind::RoadHeight;
  std::string text = headerLine("width\t%d", params.width);
  text += headerLine("length\t%d", params.length);
  text += headerLine("ox\t\t%f", params.ox);
  text += headerLine("oy\t\t%f", params.oy);
  if (road) text += headerLine("oz\t\t%f", params.oz);
  text += headerLine("pixelsize\t%f", params.pixelsize);
  if (road) text += headerLine("demres\t%f", params.demres);
  return text + "byteperpixel\t1\r\n";
}

}  // namespace quorvel
