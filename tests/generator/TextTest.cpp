#include "common/Number.h"
#include "generator/Text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace tickerloom {
namespace {

struct NumberCase {
  const char* text;
  double value;
};

TEST(LeadingNumber, ReadsTheNumberATextBeginsWith) {
  const NumberCase cases[] = {
      {"", 0},         {"abc", 0},        {"3", 3},       {"3 letters", 3}, {"1 0", 10},
      {" \t\n12", 12}, {"-4", -4},        {"+4", 4},      {"2.5", 2.5},     {".5", 0.5},
      {"5.", 5},       {"1e3", 1000},     {"1E+2x", 100}, {"1e", 1},        {"1e+", 1},
      {"1.10", 1.1},   {"1.2 beta", 1.2}, {"v1.2", 0},    {"-", 0},         {".", 0},
      {"+-1", 0},      {"1,5", 1},        {"0x10", 0},    {"  1.2", 1.2},   {"1\r\n2", 1},
      {"- 7", -7},     {"12abc34", 12},   {"1e-2", 0.01},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(LeadingNumber(c.text), c.value) << '"' << c.text << '"';
  }
}

TEST(LeadingNumber, NumbersBeyondADoubleBecomeInfinityOrZeroOfTheirSign) {
  EXPECT_EQ(LeadingNumber("1e999"), HUGE_VAL);
  EXPECT_EQ(LeadingNumber("-1e999"), -HUGE_VAL);
  EXPECT_EQ(LeadingNumber("+0.0001e99999999999999999999"), HUGE_VAL);
  EXPECT_EQ(LeadingNumber(std::string(400, '9')), HUGE_VAL);
  EXPECT_EQ(LeadingNumber("1e-999"), 0);
  EXPECT_TRUE(std::signbit(LeadingNumber("-1e-999")));
  EXPECT_EQ(LeadingNumber("1000e-99999999999999999999"), 0);
  EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0);
  EXPECT_EQ(LeadingNumber("+2.5"), 2.5);
}

TEST(IsStrictNumber, AcceptsOnlyAWholeDecimalNumberBetweenBlanks) {
  struct Case {
    const char* text;
    bool strict;
    double value;
  };
  const Case cases[] = {
      {"2", true, 2},     {" 8 ", true, 8}, {"05", true, 5},   {"5.0", true, 5},
      {"8.5", true, 8.5}, {"-1", true, -1}, {"1e0", true, 1},  {"", false, 0},
      {" ", false, 0},    {"F4", false, 0}, {"4F", false, 0},  {"4 5", false, 0},
      {"1e", false, 0},   {".", false, 0},  {"0x5", false, 0}, {"5,0", false, 0},
  };
  for (const auto& c : cases) {
    double value = -99;
    EXPECT_EQ(IsStrictNumber(c.text, &value), c.strict) << '"' << c.text << '"';
    if (c.strict) {
      EXPECT_DOUBLE_EQ(value, c.value) << '"' << c.text << '"';
    }
  }
}

TEST(RoundHalfToEven, RoundsTiesToTheEvenNeighbour) {
  EXPECT_EQ(RoundHalfToEven(2.5), 2);
  EXPECT_EQ(RoundHalfToEven(3.5), 4);
  EXPECT_EQ(RoundHalfToEven(2.4), 2);
  EXPECT_EQ(RoundHalfToEven(-2.5), -2);
  EXPECT_EQ(RoundHalfToEven(NAN), 0);
  EXPECT_GT(RoundHalfToEven(1e300), 1000000000000LL);
  EXPECT_EQ(DecimalText(-12), "-12");
  EXPECT_EQ(DecimalText(250), "250");
}

TEST(Utf8, CountsCodePointsAndReplacesInvalidBytes) {
  EXPECT_EQ(CountCodePoints(""), 0u);
  EXPECT_EQ(CountCodePoints("abc"), 3u);
  EXPECT_EQ(CountCodePoints("\xC3\xA9"), 1u);                    // é
  EXPECT_EQ(CountCodePoints("\xF0\x9F\x98\x80"), 1u);            // an emoji
  EXPECT_EQ(DecodeUtf8("\xC3"), U"\uFFFD");                      // truncated
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), U"\uFFFD\uFFFD");            // overlong
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");  // surrogate
  EXPECT_EQ(DecodeUtf8("a\xFF"
                       "b"),
            U"a\uFFFDb");
  const std::u32string sample = U"Zeltrin \u00E9\u20AC\U0001F600";
  EXPECT_EQ(DecodeUtf8(EncodeUtf8(sample)), sample);
}

TEST(Windows1252, EncodesOneBytePerCharacter) {
  EXPECT_EQ(EncodeWindows1252(U"Say \u00E9\u00FF\u20AC\u2122\u0178"), "Say \xE9\xFF\x80\x99\x9F");
  // Not in the code page, or a control that would break the line apart.
  using namespace std::literals;
  EXPECT_EQ(EncodeWindows1252(U"a\U0001F600b\u0100\r\n\t\x7F\x81\x00z"sv), "a?b???????z");
}

TEST(Windows1252, EveryPrintableByteSurvivesDecodeAndEncode) {
  for (int byte = 0x20; byte <= 0xFF; ++byte) {
    const char32_t character = DecodeWindows1252(static_cast<unsigned char>(byte));
    const bool control = byte == 0x7F || (character >= 0x80 && character < 0xA0);
    const std::string encoded = EncodeWindows1252(std::u32string(1, character));
    EXPECT_EQ(encoded, control ? "?" : std::string(1, static_cast<char>(byte))) << byte;
  }
}

}  // namespace
}  // namespace tickerloom
