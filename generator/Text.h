// Text helpers of the generator and the window: whole numbers, UTF-8 and
// Windows-1252.
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

// Windows-1252, one byte per character. A character the code page cannot
// hold, and any control character (C0, DEL, C1), becomes '?': a control would
// split or corrupt a line of a script file.
std::string EncodeWindows1252(std::u32string_view text);
// The Unicode character a Windows-1252 byte stands for (undefined bytes map
// to the C1 control of the same value).
char32_t DecodeWindows1252(unsigned char byte);

}  // namespace tickerloom
