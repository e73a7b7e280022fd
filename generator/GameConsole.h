// What the original game's console does with a line of a script, as its
// code shows, and the limits a script must keep so that the game runs it
// cleanly:
// - a line is read into 255 bytes, so 254 at most; the rest of a longer line
//   is run as a command of its own;
// - the line is split into at most 32 tokens; a 33rd overwrites the stack;
// - bind copies its command into the key's slot of 32 characters (31 and the
//   terminator); a longer one overruns the next key's slot;
// - text bytes are drawn by the release's font: Latin-1, or Windows-1251 in
//   the Russian release.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace tickerloom::generator {

// "Say " and the line size must fit the 254 bytes of a line.
inline constexpr long long kLongestLineSize = 250;
// The tokens one line may make without breaking the game.
inline constexpr std::size_t kMostConsoleTokens = 32;
// "execrul " and the file name must fit the key's slot of 31 characters.
inline constexpr std::size_t kLongestGameFileName = 23;

// The letters the game's font draws.
enum class GameLetters {
  kLatin1,       // the Western releases
  kWindows1251,  // the Russian release
};

// A text as the game's font draws it, one byte a character. In Latin-1 the
// characters Windows-1252 keeps at 0x80 to 0x9F (which Latin-1 draws as
// controls) are written as their ASCII look-alike where they have one:
// quotes, dashes, angle quotes, ^, ~ and S s Z z Y for their accented forms.
// Any other character the letters lack, and every control, becomes '?'.
std::string EncodeGameText(std::u32string_view text, GameLetters letters);

// The tokens the console makes of one line, counted as the game splits it:
// at blanks (runs of blanks are one break), a token that begins with a
// double quote right after the blank runs to the next double quote, and one
// character after a closing quote is passed over. No limit of 32 here.
std::size_t ConsoleTokenCount(std::string_view line);

// Whether the line "Say <window>" makes more than `most_tokens` tokens for
// one of the `window_count` windows of `line_size` bytes that begin at byte
// 0, 1, ... of `scroll_text`, which holds no zero byte (the encoders write
// none). One pass over the text; each window then costs
// at most `most_tokens` + 1 steps.
bool AnySayLineHasMoreTokens(std::string_view scroll_text, std::size_t line_size,
                             std::size_t window_count,
                             std::size_t most_tokens = kMostConsoleTokens);

}  // namespace tickerloom::generator
