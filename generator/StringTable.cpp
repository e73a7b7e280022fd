#include "generator/StringTable.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tickerloom::generator {
namespace {

// "Выход" in Windows-1251, each byte widened to a unit.
const std::u16string kRussianQuit = u"\u00C2\u00FB\u00F5\u00EE\u00E4";
constexpr std::string_view kQuitId = "quitmenu.wnd:quit";

// A little-endian reader that fails instead of reading past the end.
class Bytes {
 public:
  explicit Bytes(std::string_view data) : data_(data) {}
  bool AtEnd() const { return position_ == data_.size(); }
  std::optional<std::string_view> Take(std::uint64_t count) {
    if (count > data_.size() - position_) return std::nullopt;
    const std::string_view taken = data_.substr(position_, static_cast<std::size_t>(count));
    position_ += static_cast<std::size_t>(count);
    return taken;
  }
  std::optional<std::uint32_t> Number() {
    const auto bytes = Take(4);
    if (!bytes) return std::nullopt;
    std::uint32_t value = 0;
    for (int i = 3; i >= 0; --i) value = (value << 8) | static_cast<unsigned char>((*bytes)[i]);
    return value;
  }
  // Section names are stored back to front: "LBL " as " LBL".
  std::optional<std::string> Name() {
    const auto bytes = Take(4);
    if (!bytes) return std::nullopt;
    return std::string(bytes->rbegin(), bytes->rend());
  }

 private:
  std::string_view data_;
  std::size_t position_ = 0;
};

std::string Lower(std::string_view text) {
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// The string manager's clean-up of a text: no blank at the start or the
// end, one blank for a run of them, none before a line feed or a tab.
std::u16string FilterSpaces(const std::u16string& text) {
  std::u16string out;
  bool line_start = true;
  char16_t previous = 0xFFFF;
  for (char16_t c : text) {
    if (c == u' ') {
      if (previous != u' ' && !line_start) {
        out.push_back(c);
        previous = c;
        line_start = false;
      }
    } else if (c == u'\n' || c == u'\t') {
      if (previous == u' ') out.pop_back();
      out.push_back(c);
      previous = c;
      line_start = true;
    } else {
      out.push_back(c);
      previous = c;
      line_start = false;
    }
  }
  if (previous == u' ') out.pop_back();
  return out;
}

// A text of the table: UTF-16 units, little-endian, each stored inverted.
std::u16string TableText(std::string_view bytes) {
  std::u16string text(bytes.size() / 2, u'\0');
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto low = static_cast<unsigned char>(bytes[2 * i]);
    const auto high = static_cast<unsigned char>(bytes[2 * i + 1]);
    text[i] = static_cast<char16_t>(~((high << 8) | low) & 0xFFFF);
  }
  return FilterSpaces(text);
}

}  // namespace

GameRelease ReleaseOfStringTable(std::string_view table) {
  Bytes bytes(table);
  // The header: the magic, the version, two counts and, from version 2 on,
  // the language. A version 1 table has 20 bytes of it, but 24 are read.
  if (table.size() < 24 || bytes.Name() != "CSF ") return GameRelease::kUnknown;
  const auto version = bytes.Number();
  if (!version || !bytes.Take(*version < 2 ? 12 : 16)) return GameRelease::kUnknown;

  std::optional<bool> russian;  // from the first entry of the quit text
  while (!bytes.AtEnd()) {
    if (bytes.Name() != "LBL ") return GameRelease::kUnknown;
    const auto variants = bytes.Number();
    const auto name_size = bytes.Number();
    if (!variants || !name_size) return GameRelease::kUnknown;
    const auto name = bytes.Take(*name_size);
    if (!name) return GameRelease::kUnknown;
    const bool quit = !russian && Lower(*name) == kQuitId;
    if (quit) russian = false;
    for (std::uint32_t variant = 0; variant < *variants; ++variant) {
      const auto kind = bytes.Name();
      if (!kind) return GameRelease::kUnknown;
      const std::string lower = Lower(*kind);
      if (lower != "str " && lower != "strw") return GameRelease::kUnknown;
      const auto units = bytes.Number();
      if (!units) return GameRelease::kUnknown;
      const auto text = bytes.Take(std::uint64_t{*units} * 2);
      if (!text) return GameRelease::kUnknown;
      if (quit && variant == 0) russian = TableText(*text) == kRussianQuit;
      if (lower == "strw") {
        const auto extra_size = bytes.Number();
        if (!extra_size || !bytes.Take(*extra_size)) return GameRelease::kUnknown;
      }
    }
  }
  return russian.value_or(false) ? GameRelease::kRussian : GameRelease::kOther;
}

}  // namespace tickerloom::generator
