#include "generator/CodePage.h"

#include <algorithm>
#include <array>
#include <utility>
#include <vector>

#include "generator/CodePageTables.h"

namespace tickerloom {
namespace {

bool IsControl(char32_t character) {
  return character < 0x20 || (character >= 0x7F && character < 0xA0);
}

const code_pages::SingleByteTable* FindTable(int code_page) {
  for (const auto& table : code_pages::kSingleByteTables) {
    if (table.code_page == code_page) return &table;
  }
  return nullptr;
}

// The upper half of one code page turned round, sorted by character, so that
// a long text is encoded with a binary search a character.
using ReverseTable = std::vector<std::pair<char32_t, unsigned char>>;

const ReverseTable& Reverse(const code_pages::SingleByteTable& table) {
  static const auto reversed = [] {
    std::array<ReverseTable, code_pages::kSingleByteTables.size()> all;
    for (std::size_t i = 0; i < all.size(); ++i) {
      const auto& upper = code_pages::kSingleByteTables[i].upper_half;
      for (std::size_t byte = 0; byte < upper.size(); ++byte) {
        if (upper[byte] != 0) all[i].emplace_back(upper[byte], 0x80 + byte);
      }
      std::sort(all[i].begin(), all[i].end());
    }
    return all;
  }();
  return reversed[static_cast<std::size_t>(&table - code_pages::kSingleByteTables.data())];
}

}  // namespace

bool IsSingleByteCodePage(int code_page) {
  return FindTable(code_page) != nullptr;
}

char32_t DecodeCodePageByte(unsigned char byte, int code_page) {
  if (byte < 0x80) return byte;
  const auto* table = FindTable(code_page);
  return table == nullptr ? 0 : table->upper_half[byte - 0x80];
}

std::optional<char> EncodeCodePageCharacter(char32_t character, int code_page) {
  if (IsControl(character)) return std::nullopt;
  if (character < 0x80) return static_cast<char>(character);
  const auto* table = FindTable(code_page);
  if (table == nullptr) return std::nullopt;
  const ReverseTable& reverse = Reverse(*table);
  const auto found = std::lower_bound(reverse.begin(), reverse.end(),
                                      std::make_pair(character, static_cast<unsigned char>(0)));
  if (found == reverse.end() || found->first != character) return std::nullopt;
  return static_cast<char>(found->second);
}

std::optional<std::string> EncodeInCodePage(std::u32string_view text, int code_page) {
  std::string bytes;
  bytes.reserve(text.size());
  for (char32_t character : text) {
    const auto byte = EncodeCodePageCharacter(character, code_page);
    if (!byte) return std::nullopt;
    bytes.push_back(*byte);
  }
  return bytes;
}

}  // namespace tickerloom
