#include "generator/GameConsole.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include "generator/CodePage.h"

namespace tickerloom::generator {
namespace {

// What Latin-1 draws in place of the characters of Windows-1252's 0x80 to
// 0x9F that have a one-character look-alike in ASCII.
char Latin1LookAlike(char32_t character) {
  switch (character) {
    case U'\u2018':  // ‘
    case U'\u2019':  // ’
      return '\'';
    case U'\u201A':  // ‚
      return ',';
    case U'\u201C':  // “
    case U'\u201D':  // ”
    case U'\u201E':  // „
      return '"';
    case U'\u2013':  // –
    case U'\u2014':  // —
      return '-';
    case U'\u2039':  // ‹
      return '<';
    case U'\u203A':  // ›
      return '>';
    case U'\u02C6':  // ˆ
      return '^';
    case U'\u02DC':  // ˜
      return '~';
    case U'\u0160':  // Š
      return 'S';
    case U'\u0161':  // š
      return 's';
    case U'\u017D':  // Ž
      return 'Z';
    case U'\u017E':  // ž
      return 'z';
    case U'\u0178':  // Ÿ
      return 'Y';
    default:
      return '?';
  }
}

char Latin1Byte(char32_t character) {
  if ((character >= 0x20 && character < 0x7F) || (character >= 0xA0 && character <= 0xFF)) {
    return static_cast<char>(character);
  }
  return Latin1LookAlike(character);
}

// The console's two sets of separators: a plain token ends at a blank, a
// quoted one at a double quote or a line end.
constexpr std::string_view kBlank = " ";
constexpr std::string_view kQuoteEnds = "\"\n\r";

bool IsQuoteEnd(char byte) {
  return byte == '"' || byte == '\n' || byte == '\r';
}

}  // namespace

std::string EncodeGameText(std::u32string_view text, GameLetters letters) {
  std::string bytes(text.size(), '?');
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (letters == GameLetters::kLatin1) {
      bytes[i] = Latin1Byte(text[i]);
    } else if (const auto byte = EncodeCodePageCharacter(text[i], kWindows1251)) {
      bytes[i] = *byte;
    }
  }
  return bytes;
}

// The game's own steps, one for one: wcstok with a saved position, the
// look at the character after a token for an opening quote, and one more
// character passed over after a quoted token. Past the end of the line the
// game reads zeros.
std::size_t ConsoleTokenCount(std::string_view line) {
  line = line.substr(0, line.find('\0'));
  const auto at = [&](std::size_t position) {
    return position < line.size() ? line[position] : '\0';
  };
  struct Token {
    std::size_t start = 0;
    std::size_t length = 0;
  };
  std::size_t saved = 0;
  const auto next_token = [&](std::size_t from, std::string_view separators) {
    const auto separates = [&](char byte) {
      return separators.find(byte) != std::string_view::npos;
    };
    std::size_t start = from;
    while (start < line.size() && separates(line[start])) ++start;
    if (start >= line.size()) {
      saved = line.size();
      return std::optional<Token>();
    }
    std::size_t end = start;
    while (end < line.size() && !separates(line[end])) ++end;
    saved = end < line.size() ? end + 1 : end;
    return std::optional<Token>(Token{start, end - start});
  };

  std::size_t count = 0;
  bool quoted = at(0) == '"';
  std::optional<Token> token = quoted ? next_token(1, kQuoteEnds) : next_token(0, kBlank);
  while (token) {
    ++count;
    std::size_t after = token->start + token->length + 1;
    if (quoted) ++after;
    quoted = at(after) == '"';
    token = quoted ? next_token(after + 1, kQuoteEnds) : next_token(saved, kBlank);
  }
  return count;
}

// The same steps over the scroll text once for all windows: four tables give,
// for every position, where the next token begins or ends, so that a token
// costs one step whatever its length. A window's line ends at the window's
// end, where the game reads zeros: every position is checked against it.
bool AnySayLineHasMoreTokens(std::string_view scroll_text, std::size_t line_size,
                             std::size_t window_count, std::size_t most_tokens) {
  const std::size_t size = scroll_text.size();
  // The first position at or after p that is a blank, is not, ends a quoted
  // token, or does not; `size` when there is none.
  std::vector<std::uint32_t> next_blank(size + 1), next_word(size + 1), next_quote_end(size + 1),
      next_quoted(size + 1);
  next_blank[size] = next_word[size] = next_quote_end[size] = next_quoted[size] =
      static_cast<std::uint32_t>(size);
  for (std::size_t p = size; p-- > 0;) {
    const auto here = static_cast<std::uint32_t>(p);
    const bool blank = scroll_text[p] == ' ';
    const bool quote_end = IsQuoteEnd(scroll_text[p]);
    next_blank[p] = blank ? here : next_blank[p + 1];
    next_word[p] = blank ? next_word[p + 1] : here;
    next_quote_end[p] = quote_end ? here : next_quote_end[p + 1];
    next_quoted[p] = quote_end ? next_quoted[p + 1] : here;
  }

  for (std::size_t window = 0; window < window_count && window < size; ++window) {
    const std::size_t end = std::min(window + line_size, size);
    std::size_t tokens = 1;  // "Say", ended by the one blank before the window
    std::size_t position = window;
    bool after_quoted = false;
    for (;;) {
      // Where the game looks for an opening quote: right after the blank
      // that ended a plain token, one further after a closing quote.
      const std::size_t look = after_quoted ? position + 1 : position;
      const bool quoted = look < end && scroll_text[look] == '"';
      std::size_t start = end;
      if (quoted && look + 1 < end) start = next_quoted[look + 1];
      if (!quoted && position < end) start = next_word[position];
      if (start >= end) break;
      if (++tokens > most_tokens) return true;
      const std::size_t token_end = quoted ? next_quote_end[start] : next_blank[start];
      if (token_end >= end) break;
      position = token_end + 1;
      after_quoted = quoted;
    }
  }
  return false;
}

}  // namespace tickerloom::generator
