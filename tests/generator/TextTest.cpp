#include "common/Number.h"
#include "generator/CodePage.h"
#include "generator/Text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <optional>
#include <string_view>

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

TEST(CodePage, EncodesOneBytePerCharacterOrNotAtAll) {
  using namespace std::literals;
  const struct {
    int code_page;
    std::u32string_view text;
    std::optional<std::string> bytes;
  } cases[] = {
      {1252, U"Say \u00E9\u00FF\u20AC\u2122\u0178", "Say \xE9\xFF\x80\x99\x9F"},
      {1251, U"\u041F\u0440\u0438\u0432\u0435\u0442 \u0451\u20AC",
       "\xCF\xF0\xE8\xE2\xE5\xF2 \xB8\x88"},
      {1250, U"\u017C\u00F3\u0142\u0107", "\xBF\xF3\xB3\xE6"},
      {932, U"plain", "plain"},
      // Not in the code page, beyond ASCII where a letter takes several
      // bytes, or a control that would break the line apart.
      {1252, U"\u0100", std::nullopt},
      {1251, U"\u00E9", std::nullopt},
      {932, U"\u00E9", std::nullopt},
      {kUtf8CodePage, U"\u00E9", std::nullopt},
      {1252, U"\U0001F600", std::nullopt},
      {1252, U"\t", std::nullopt},
      {1252, U"\x7F", std::nullopt},
      {1252, U"\x81", std::nullopt},
      {1252, U"a\x00"sv, std::nullopt},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(EncodeInCodePage(c.text, c.code_page), c.bytes) << c.code_page;
  }
}

TEST(CodePage, EveryPrintableByteSurvivesDecodeAndEncode) {
  for (int code_page : {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258}) {
    EXPECT_TRUE(IsSingleByteCodePage(code_page));
    for (int byte = 0x20; byte <= 0xFF; ++byte) {
      const char32_t character = DecodeCodePageByte(static_cast<unsigned char>(byte), code_page);
      if (character == 0 || byte == 0x7F) continue;  // undefined, or a control
      EXPECT_EQ(EncodeCodePageCharacter(character, code_page), static_cast<char>(byte))
          << code_page << " " << byte;
    }
  }
  EXPECT_EQ(DecodeCodePageByte(0xC0, 1251), U'\u0410');
  EXPECT_EQ(DecodeCodePageByte(0xC0, 1252), U'\u00C0');
  EXPECT_FALSE(IsSingleByteCodePage(kUtf8CodePage));
}

}  // namespace
}  // namespace tickerloom
