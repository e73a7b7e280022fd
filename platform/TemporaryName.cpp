#include "platform/TemporaryName.h"

#include <limits>

namespace tickerloom::platform {
namespace {

constexpr std::string_view kMarker = ".tmp-";

// One to ten decimal digits, nothing else.
std::optional<std::uint64_t> Digits(std::string_view text) {
  if (text.empty() || text.size() > 10) return std::nullopt;
  std::uint64_t value = 0;
  for (const char c : text) {
    if (c < '0' || c > '9') return std::nullopt;
    value = value * 10 + static_cast<unsigned>(c - '0');
  }
  return value;
}

}  // namespace

std::string TemporaryNamePrefix(std::string_view stands_for, std::uint32_t owner) {
  std::string prefix = ".";
  prefix += stands_for;
  prefix += kMarker;
  prefix += std::to_string(owner);
  prefix += '-';
  return prefix;
}

std::optional<TemporaryName> ParseTemporaryName(std::string_view name) {
  const std::size_t marker = name.rfind(kMarker);
  if (!name.starts_with('.') || marker == std::string_view::npos || marker < 2) return std::nullopt;
  const std::string_view numbers = name.substr(marker + kMarker.size());
  const std::size_t dash = numbers.find('-');
  if (dash == std::string_view::npos) return std::nullopt;
  const auto owner = Digits(numbers.substr(0, dash));
  if (!owner || *owner == 0 || *owner > std::numeric_limits<std::uint32_t>::max() ||
      !Digits(numbers.substr(dash + 1))) {
    return std::nullopt;
  }
  return TemporaryName{name.substr(1, marker - 1), static_cast<std::uint32_t>(*owner)};
}

std::string_view StandsFor(std::string_view name) {
  const auto temporary = ParseTemporaryName(name);
  return temporary ? temporary->stands_for : name;
}

}  // namespace tickerloom::platform
