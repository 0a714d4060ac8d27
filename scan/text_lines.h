// Reading of the keyword text files (MDL, calibration, map header template): lines, tokens,
// keywords and numbers, the same way for every platform and locale.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvel {

// Splits text into lines. A line ends at LF; a CR right before the LF (or at the end of the
// text) belongs to the line end, so Windows files read the same everywhere. A line is read
// whole however long it is, and ends at its first NUL byte, as a C string would.
std::vector<std::string> splitTextLines(std::span<const unsigned char> bytes);

// The tokens of a line: maximal runs of characters other than blank, comma, tab and newline.
std::vector<std::string_view> splitTokens(std::string_view line);

// The line starts with the keyword, comparing letters A-Z without regard to case.
bool startsWithKeyword(std::string_view line, std::string_view keyword);

// The longest leading decimal number of the token (optional white space, optional sign, digits
// with an optional decimal point, optional exponent); 0.0 when there is none. Never depends on
// the locale; out-of-range values give +-HUGE_VAL or a signed zero as strtod would.
double leadingNumber(std::string_view token);

// The leading decimal integer of the token as C's atoi reads it (optional white space, optional
// sign, digits), saturating at the 32-bit limits; 0 when there is none.
int32_t leadingInteger(std::string_view token);

// A whole text read as one 32-bit integer: optional blanks, an optional sign, decimal digits,
// optional blanks, nothing else. What the user types into a number field and --mask.
enum class IntegerText { Ok, NotAnInteger, OutOfRange };
IntegerText parseInteger(std::string_view text, int32_t& value);  // value set only when Ok

// Token i of the line as a number, 0.0 when the line has fewer tokens.
double numberToken(const std::vector<std::string_view>& tokens, size_t index);

}  // namespace quorvel
