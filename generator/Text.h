// Text helpers of the generator and the window: whole numbers and UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace tickerloom {

// Decimal text of a whole number: digits, a '-' when negative, nothing else.
std::string DecimalText(long long value);

// A whole number from a double, rounded half to even; values outside the
// range of long long are clamped to it.
long long RoundHalfToEven(double value);

// Unicode code points of UTF-8 text. Invalid bytes count as one U+FFFD each.
std::u32string DecodeUtf8(std::string_view utf8);
std::string EncodeUtf8(std::u32string_view text);
std::size_t CountCodePoints(std::string_view utf8);

}  // namespace tickerloom
