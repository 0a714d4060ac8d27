#include "scan/text_lines.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <limits>

namespace quorvel {

namespace {

bool isDelimiter(char c) {
  return c == ' ' || c == ',' || c == '\t' || c == '\n';
}
bool isDigit(char c) {
  return c >= '0' && c <= '9';
}
bool isSpace(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}
char lowerAscii(char c) {
  return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Length of the digit run starting at pos.
size_t digitRun(std::string_view text, size_t pos) {
  size_t end = pos;
  while (end < text.size() && isDigit(text[end])) ++end;
  return end - pos;
}

// Where the decimal number starting at pos ends (pos itself when there is none).
size_t decimalNumberEnd(std::string_view text, size_t pos) {
  size_t end = pos;
  const size_t whole = digitRun(text, end);
  end += whole;
  size_t fraction = 0;
  if (end < text.size() && text[end] == '.') {
    fraction = digitRun(text, end + 1);
    if (whole + fraction > 0) end += 1 + fraction;
  }
  if (whole + fraction == 0) return pos;
  if (end < text.size() && (text[end] == 'e' || text[end] == 'E')) {
    size_t exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    const size_t digits = digitRun(text, exponent);
    if (digits > 0) end = exponent + digits;
  }
  return end;
}

// The value of a number that does not fit a double: infinite when its decimal magnitude is
// large, zero when it is tiny.
double outOfRangeValue(std::string_view number) {
  long long magnitude = 0;
  size_t pos = 0;
  bool seenNonZero = false;
  bool afterPoint = false;
  for (; pos < number.size() && number[pos] != 'e' && number[pos] != 'E'; ++pos) {
    const char c = number[pos];
    if (c == '.') {
      afterPoint = true;
    } else if (c != '0' || seenNonZero) {
      if (!seenNonZero && afterPoint) ++magnitude;
      seenNonZero = true;
      if (!afterPoint) ++magnitude;
    } else if (afterPoint) {
      --magnitude;
    }
  }
  if (pos < number.size()) {
    const bool negativeExponent = number[pos + 1] == '-';
    long long exponent = 0;
    const auto parsed = std::from_chars(number.data() + pos + 1 + (number[pos + 1] == '+'),
                                        number.data() + number.size(), exponent);
    constexpr long long EXPONENT_LIMIT = 1LL << 40;  // far beyond any digit count
    if (parsed.ec != std::errc()) exponent = negativeExponent ? -EXPONENT_LIMIT : EXPONENT_LIMIT;
    magnitude += std::clamp(exponent, -EXPONENT_LIMIT, EXPONENT_LIMIT);
  }
  return magnitude > 0 ? HUGE_VAL : 0.0;
}

}  // namespace

std::vector<std::string> splitTextLines(std::span<const unsigned char> bytes) {
  std::vector<std::string> lines;
  size_t start = 0;
  while (start < bytes.size()) {
    size_t end = start;
    while (end < bytes.size() && bytes[end] != '\n') ++end;
    size_t contentEnd = end;
    if (contentEnd > start && bytes[contentEnd - 1] == '\r') --contentEnd;
    std::string line(reinterpret_cast<const char*>(bytes.data()) + start, contentEnd - start);
    line.resize(std::string_view(line.c_str()).size());  // up to the first NUL
    lines.push_back(std::move(line));
    start = end + 1;
  }
  return lines;
}

std::vector<std::string_view> splitTokens(std::string_view line) {
  std::vector<std::string_view> tokens;
  size_t pos = 0;
  while (pos < line.size()) {
    while (pos < line.size() && isDelimiter(line[pos])) ++pos;
    const size_t start = pos;
    while (pos < line.size() && !isDelimiter(line[pos])) ++pos;
    if (pos > start) tokens.push_back(line.substr(start, pos - start));
  }
  return tokens;
}

bool startsWithKeyword(std::string_view line, std::string_view keyword) {
  if (line.size() < keyword.size()) return false;
  for (size_t i = 0; i < keyword.size(); ++i) {
    if (lowerAscii(line[i]) != lowerAscii(keyword[i])) return false;
  }
  return true;
}

double leadingNumber(std::string_view token) {
  size_t pos = 0;
  while (pos < token.size() && isSpace(token[pos])) ++pos;
  bool negative = false;
  if (pos < token.size() && (token[pos] == '+' || token[pos] == '-')) {
    negative = token[pos] == '-';
    ++pos;
  }
  const size_t end = decimalNumberEnd(token, pos);
  if (end == pos) return 0.0;
  const std::string_view number = token.substr(pos, end - pos);
  double value = 0.0;
  const auto result = std::from_chars(number.data(), number.data() + number.size(), value,
                                      std::chars_format::general);
  if (result.ec == std::errc::result_out_of_range) value = outOfRangeValue(number);
  return negative ? -value : value;
}

int32_t leadingInteger(std::string_view token) {
  size_t pos = 0;
  while (pos < token.size() && isSpace(token[pos])) ++pos;
  bool negative = false;
  if (pos < token.size() && (token[pos] == '+' || token[pos] == '-'))
    negative = token[pos++] == '-';
  const int64_t limit = negative ? -int64_t{std::numeric_limits<int32_t>::min()}
                                 : int64_t{std::numeric_limits<int32_t>::max()};
  int64_t value = 0;
  for (; pos < token.size() && token[pos] >= '0' && token[pos] <= '9'; ++pos) {
    value = std::min(limit, value * 10 + (token[pos] - '0'));
  }
  return static_cast<int32_t>(negative ? -value : value);
}

IntegerText parseInteger(std::string_view text, int32_t& value) {
  while (!text.empty() && isSpace(text.front())) text.remove_prefix(1);
  while (!text.empty() && isSpace(text.back())) text.remove_suffix(1);
  if (text.size() > 1 && text.front() == '+' && text[1] != '-') text.remove_prefix(1);
  int32_t parsed = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), parsed);
  if (text.empty() || end != text.data() + text.size()) return IntegerText::NotAnInteger;
  if (error == std::errc::result_out_of_range) return IntegerText::OutOfRange;
  if (error != std::errc()) return IntegerText::NotAnInteger;
  value = parsed;
  return IntegerText::Ok;
}

double numberToken(const std::vector<std::string_view>& tokens, size_t index) {
  return index < tokens.size() ? leadingNumber(tokens[index]) : 0.0;
}

}  // namespace quorvel
