// The single-byte Windows code pages as data: for each, the character of every
// byte from 0x80 to 0xFF (0 where the code page leaves the byte undefined).
// Below 0x80 each of them is ASCII.
#pragma once

#include <array>

namespace tickerloom::code_pages {

struct SingleByteTable {
  int code_page;
  std::array<char16_t, 128> upper_half;
};

extern const std::array<SingleByteTable, 10> kSingleByteTables;

}  // namespace tickerloom::code_pages
