#include "common/Number.h"

#include <charconv>
#include <cmath>
#include <string>

namespace tickerloom {
namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

// Reads sign, digits, fraction and exponent from the start of text, as far as
// they form a number. Returns the number of characters used (0: no number).
std::size_t ScanNumber(std::string_view text) {
  std::size_t pos = 0;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
  std::size_t digits = 0;
  while (pos < text.size() && IsDigit(text[pos])) ++pos, ++digits;
  if (pos < text.size() && text[pos] == '.') {
    std::size_t after_point = pos + 1;
    while (after_point < text.size() && IsDigit(text[after_point])) ++after_point, ++digits;
    if (digits > 0) pos = after_point;
  }
  if (digits == 0) return 0;
  if (pos < text.size() && (text[pos] == 'e' || text[pos] == 'E')) {
    std::size_t exponent = pos + 1;
    if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-')) ++exponent;
    const std::size_t exponent_digits_start = exponent;
    while (exponent < text.size() && IsDigit(text[exponent])) ++exponent;
    if (exponent > exponent_digits_start) pos = exponent;
  }
  return pos;
}

// Whether a number that a double cannot hold is too large (rather than too
// small): its first significant digit stands at or above the units.
bool BeyondLargest(std::string_view number) {
  if (number.front() == '+' || number.front() == '-') number.remove_prefix(1);
  const std::size_t exponent_mark = number.find_first_of("eE");
  long long exponent = 0;
  if (exponent_mark != std::string_view::npos) {
    std::string_view digits = number.substr(exponent_mark + 1);
    const bool negative = digits.front() == '-';
    if (digits.front() == '+' || digits.front() == '-') digits.remove_prefix(1);
    for (char c : digits) exponent = std::min(exponent * 10 + (c - '0'), 1'000'000'000LL);
    if (negative) exponent = -exponent;
    number = number.substr(0, exponent_mark);
  }
  const std::size_t point = std::min(number.find('.'), number.size());
  const std::size_t first_significant = number.find_first_of("123456789");
  const long long place = first_significant < point
                              ? static_cast<long long>(point - first_significant) - 1
                              : -static_cast<long long>(first_significant - point);
  return place + exponent >= 0;
}

// A scanned number as a double, independent of the process's locale (the
// toolkit may set one with a decimal comma). Numbers beyond the range of a
// double become an infinity or zero of their sign.
double ParseScannedNumber(std::string_view number) {
  const char* first = number.data();
  // from_chars takes no '+'.
  if (number.front() == '+') ++first;
  double value = 0;
  const auto [end, error] = std::from_chars(first, number.data() + number.size(), value);
  static_cast<void>(end);
  if (error == std::errc::result_out_of_range) {
    value = BeyondLargest(number) ? HUGE_VAL : 0.0;
    if (number.front() == '-') value = -value;
  }
  return value;
}

}  // namespace

double LeadingNumber(std::string_view text) {
  std::string packed;
  packed.reserve(text.size());
  for (char c : text) {
    if (c != ' ' && c != '\t' && c != '\n') packed.push_back(c);
  }
  const std::size_t length = ScanNumber(packed);
  if (length == 0) return 0.0;
  return ParseScannedNumber(std::string_view(packed).substr(0, length));
}

bool IsStrictNumber(std::string_view text, double* value) {
  const auto is_blank = [](char c) { return c == ' ' || c == '\t'; };
  while (!text.empty() && is_blank(text.front())) text.remove_prefix(1);
  while (!text.empty() && is_blank(text.back())) text.remove_suffix(1);
  const std::size_t length = ScanNumber(text);
  if (length == 0 || length != text.size()) return false;
  if (value != nullptr) *value = ParseScannedNumber(text);
  return true;
}

}  // namespace tickerloom
