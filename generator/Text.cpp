#include "generator/Text.h"

#include <cmath>
#include <limits>

namespace tickerloom {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

}  // namespace

std::string DecimalText(long long value) {
  return std::to_string(value);
}

long long RoundHalfToEven(double value) {
  if (std::isnan(value)) return 0;
  // nearbyint rounds half to even in the default rounding mode.
  const double rounded = std::nearbyint(value);
  constexpr double kLimit = 9.2e18;
  if (rounded >= kLimit) return std::numeric_limits<long long>::max();
  if (rounded <= -kLimit) return std::numeric_limits<long long>::min();
  return static_cast<long long>(rounded);
}

std::u32string DecodeUtf8(std::string_view utf8) {
  std::u32string result;
  result.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto lead = static_cast<unsigned char>(utf8[pos]);
    int continuation = 0;
    char32_t code = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      result.push_back(lead);
      ++pos;
      continue;
    } else if ((lead & 0xE0) == 0xC0) {
      continuation = 1, code = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      continuation = 2, code = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      continuation = 3, code = lead & 0x07, minimum = 0x10000;
    } else {
      result.push_back(kReplacementCharacter);
      ++pos;
      continue;
    }
    bool valid = pos + continuation < utf8.size();
    for (int i = 1; valid && i <= continuation; ++i) {
      const auto next = static_cast<unsigned char>(utf8[pos + i]);
      if ((next & 0xC0) != 0x80) {
        valid = false;
      } else {
        code = (code << 6) | (next & 0x3F);
      }
    }
    if (!valid || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
      result.push_back(kReplacementCharacter);
      ++pos;
      continue;
    }
    result.push_back(code);
    pos += continuation + 1;
  }
  return result;
}

std::string EncodeUtf8(std::u32string_view text) {
  std::string result;
  result.reserve(text.size());
  for (char32_t code : text) {
    if (code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) code = kReplacementCharacter;
    if (code < 0x80) {
      result.push_back(static_cast<char>(code));
    } else if (code < 0x800) {
      result.push_back(static_cast<char>(0xC0 | (code >> 6)));
      result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else if (code < 0x10000) {
      result.push_back(static_cast<char>(0xE0 | (code >> 12)));
      result.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    } else {
      result.push_back(static_cast<char>(0xF0 | (code >> 18)));
      result.push_back(static_cast<char>(0x80 | ((code >> 12) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | ((code >> 6) & 0x3F)));
      result.push_back(static_cast<char>(0x80 | (code & 0x3F)));
    }
  }
  return result;
}

std::size_t CountCodePoints(std::string_view utf8) {
  return DecodeUtf8(utf8).size();
}

}  // namespace tickerloom
