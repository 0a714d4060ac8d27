#include "scan/text_lines.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>

#include "tests/support/test_files.h"

namespace quorvel {
namespace {

using test::bytesOf;

TEST(TextLines, CarriageReturnBeforeLineEndBelongsToTheLineEnd) {
  const auto lines = splitTextLines(bytesOf("DIR /a/\r\nDS b.ds\r\nCALIB c\r"));
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0], "DIR /a/");
  EXPECT_EQ(lines[1], "DS b.ds");
  EXPECT_EQ(lines[2], "CALIB c");
}

TEST(TextLines, CarriageReturnInsideALineStays) {
  const auto lines = splitTextLines(bytesOf("a\rb\n"));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0], "a\rb");
}

TEST(TextLines, LongLineIsReadWhole) {
  const std::string longLine = "DIR /" + std::string(200, 'x') + "/";
  const auto lines = splitTextLines(bytesOf(longLine + "\nDS a"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], longLine);
  EXPECT_EQ(lines[1], "DS a");
}

TEST(TextLines, LineEndsAtNulByte) {
  const std::string text("DS ab\0cd\nrot", 12);
  const auto lines = splitTextLines(bytesOf(text));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0], "DS ab");
  EXPECT_EQ(lines[1], "rot");
}

TEST(TextLines, EmptyLinesAreKept) {
  EXPECT_EQ(splitTextLines(bytesOf("\n\nx")).size(), 3u);
  EXPECT_TRUE(splitTextLines(bytesOf("")).empty());
}

TEST(TextLines, TokensSplitAtBlanksCommasAndTabs) {
  const auto tokens = splitTokens("rot 1,2\t3 ,, 4");
  ASSERT_EQ(tokens.size(), 5u);
  EXPECT_EQ(tokens[0], "rot");
  EXPECT_EQ(tokens[1], "1");
  EXPECT_EQ(tokens[2], "2");
  EXPECT_EQ(tokens[3], "3");
  EXPECT_EQ(tokens[4], "4");
  EXPECT_TRUE(splitTokens(" ,\t").empty());
}

TEST(TextLines, KeywordsIgnoreCaseOfLettersOnly) {
  EXPECT_TRUE(startsWithKeyword("ROT 1 2 3", "rot"));
  EXPECT_TRUE(startsWithKeyword("Shv", "shv"));
  EXPECT_TRUE(startsWithKeyword("dsname x", "DS"));
  EXPECT_FALSE(startsWithKeyword(" rot", "rot"));
  EXPECT_FALSE(startsWithKeyword("ro", "rot"));
  EXPECT_FALSE(startsWithKeyword("r\xcft", "rot"));
}

struct NumberCase {
  const char* token;
  double value;
};

class LeadingNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumber, ReadsTheLongestDecimalPrefix) {
  const NumberCase& c = GetParam();
  const double value = leadingNumber(c.token);
  EXPECT_EQ(value, c.value) << c.token;
  EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.token;
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, LeadingNumber,
    ::testing::Values(NumberCase{"90", 90.0}, NumberCase{"-0.5", -0.5}, NumberCase{"+2.", 2.0},
                      NumberCase{".25", 0.25}, NumberCase{"1e2", 100.0},
                      NumberCase{"1.5E-1x", 0.15}, NumberCase{"3e", 3.0}, NumberCase{"3e+", 3.0},
                      NumberCase{"12abc", 12.0}, NumberCase{"abc", 0.0}, NumberCase{"", 0.0},
                      NumberCase{".", 0.0}, NumberCase{"-", 0.0}, NumberCase{"inf", 0.0},
                      NumberCase{"nan", 0.0}, NumberCase{"0x10", 0.0}, NumberCase{"\r7", 7.0},
                      NumberCase{"1e999", HUGE_VAL}, NumberCase{"-1e999", -HUGE_VAL},
                      NumberCase{"1e-999", 0.0}, NumberCase{"-1e-999", -0.0},
                      NumberCase{"0.0001e-99999999999999999999", 0.0}, NumberCase{"1,5", 1.0},
                      // exponents at the limits of a 64-bit integer, as a fuzzer found them
                      NumberCase{"1e9223372036854775807", HUGE_VAL},
                      NumberCase{"10e-9223372036854775808", 0.0}));

struct IntegerCase {
  const char* text;
  int32_t value;
};

class LeadingInteger : public ::testing::TestWithParam<IntegerCase> {};

TEST_P(LeadingInteger, ConvertsAsAtoiWithSaturation) {
  EXPECT_EQ(leadingInteger(GetParam().text), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Texts, LeadingInteger,
                         ::testing::Values(IntegerCase{"640", 640}, IntegerCase{"  -12x", -12},
                                           IntegerCase{"+7.9", 7}, IntegerCase{"abc", 0},
                                           IntegerCase{"", 0}, IntegerCase{"- 5", 0},
                                           IntegerCase{"\t+15 3", 15},
                                           IntegerCase{"99999999999", 2147483647},
                                           IntegerCase{"-2147483648", -2147483647 - 1},
                                           IntegerCase{"-99999999999", -2147483647 - 1}));

TEST(TextLines, NumbersIgnoreTheLocale) {
  const char* previous = std::setlocale(LC_NUMERIC, nullptr);
  const std::string saved = previous ? previous : "C";
  if (!std::setlocale(LC_NUMERIC, "de_DE.UTF-8") && !std::setlocale(LC_NUMERIC, "fr_FR.UTF-8")) {
    GTEST_SKIP() << "no locale with a decimal comma installed";
  }
  EXPECT_EQ(leadingNumber("2.5"), 2.5);
  std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(TextLines, MissingNumberTokensReadAsZero) {
  const auto tokens = splitTokens("rot 5");
  EXPECT_EQ(numberToken(tokens, 1), 5.0);
  EXPECT_EQ(numberToken(tokens, 2), 0.0);
  EXPECT_EQ(numberToken(tokens, 3), 0.0);
}

}  // namespace
}  // namespace quorvel
