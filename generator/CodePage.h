// Windows code pages, as the system names its files in them. The game is not
// Unicode-aware: the bytes of a file name in a script reach the C runtime
// unchanged, which reads them in the system's ANSI code page.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tickerloom {

inline constexpr int kWindows1251 = 1251;
inline constexpr int kWindows1252 = 1252;
inline constexpr int kUtf8CodePage = 65001;

// One byte a character: 874 and 1250 to 1258. The others an ANSI code page
// may be (932, 936, 949, 950, UTF-8) are treated as holding ASCII only.
bool IsSingleByteCodePage(int code_page);

// The character a byte stands for in the code page; 0 where the code page
// leaves it undefined. Every code page is ASCII below 0x80; above it, only a
// single-byte code page defines characters.
char32_t DecodeCodePageByte(unsigned char byte, int code_page);

// The byte of a character in the code page, when the code page holds it.
// Control characters (C0, DEL and C1) are never held: one would split or
// corrupt a line of a script.
std::optional<char> EncodeCodePageCharacter(char32_t character, int code_page);

// A text in the code page, one byte a character; none when the code page
// cannot hold one of its characters.
std::optional<std::string> EncodeInCodePage(std::u32string_view text, int code_page);

}  // namespace tickerloom
