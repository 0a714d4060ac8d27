#include "export/map_params.h"

#include <algorithm>
#include <filesystem>
#include <string_view>
#include <vector>

#include "scan/file_bytes.h"
#include "scan/text_lines.h"

namespace quorvel {

namespace {

// Which keys a text sets: the template's, or also the height scale of a written header.
enum class MapKeys { Template, Header };

// Sets the field the line's key names, from its second token.
void applyTemplateLine(std::string_view line, MapKeys keys, MapParams& params) {
  const std::vector<std::string_view> tokens = splitTokens(line);
  if (tokens.size() < 2) return;
  const std::string_view value = tokens[1];
  if (keys == MapKeys::Header && startsWithKeyword(line, "oz")) {
    params.oz = leadingNumber(value);
  } else if (keys == MapKeys::Header && startsWithKeyword(line, "demres")) {
    params.demres = leadingNumber(value);
  } else if (startsWithKeyword(line, "wi")) {
    params.width = leadingInteger(value);
  } else if (startsWithKeyword(line, "le")) {
    params.length = leadingInteger(value);
  } else if (startsWithKeyword(line, "ox")) {
    params.ox = leadingNumber(value);
  } else if (startsWithKeyword(line, "oy")) {
    params.oy = leadingNumber(value);
  } else if (startsWithKeyword(line, "pixelsize")) {
    params.pixelsize = leadingNumber(value);
  }
}

// Applies a line given without its LF: a CR before the LF goes with the line end, the rest is
// read in pieces of at most 199 characters as a fixed-size line buffer reads it, and each piece
// ends at its first NUL, as a C string would.
void applyTemplateText(std::string_view line, MapKeys keys, MapParams& params) {
  if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
  for (size_t start = 0; start < line.size(); start += TEMPLATE_LINE_LIMIT) {
    const std::string_view piece = line.substr(start, TEMPLATE_LINE_LIMIT);
    applyTemplateLine(piece.substr(0, piece.find('\0')), keys, params);
  }
}

void parseMapText(std::span<const unsigned char> bytes, MapKeys keys, MapParams& params) {
  const std::string_view text(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  for (size_t start = 0; start < text.size();) {
    const size_t end = std::min(text.find('\n', start), text.size());
    applyTemplateText(text.substr(start, end - start), keys, params);
    start = end + 1;
  }
}

}  // namespace

void parseMapTemplate(std::span<const unsigned char> bytes, MapParams& params) {
  parseMapText(bytes, MapKeys::Template, params);
}

void parseMapHeader(std::span<const unsigned char> bytes, MapParams& params) {
  parseMapText(bytes, MapKeys::Header, params);
}

Status readMapTemplateIfPresent(const std::string& path, MapParams& params) {
  std::error_code error;
  if (std::filesystem::status(path, error).type() == std::filesystem::file_type::not_found) {
    return {};
  }
  std::vector<unsigned char> bytes;
  if (Status status = readFileBytes(path, bytes); !status.ok()) return status;
  parseMapTemplate(bytes, params);
  return {};
}

int ReadMapTemplate(const std::string& path, MapParams& params) {
  std::vector<unsigned char> bytes;
  if (!readFileBytes(path, bytes).ok()) return 0;
  parseMapTemplate(bytes, params);
  return 1;
}

}  // namespace quorvel
