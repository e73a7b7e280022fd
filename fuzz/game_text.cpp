#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "generator/CodePage.h"
#include "generator/GameConsole.h"
#include "generator/Text.h"

// The first byte chooses the letters and a code page, the rest is the text.
// One byte per character and no control byte ever written; a byte that is
// not '?' stands for the character it came from (in Latin-1, or for its
// look-alike); a code page's bytes decode to the text they came from.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tickerloom;
  if (size == 0) return 0;
  static const int kCodePages[] = {874,  1250, 1251, 1252, 1253, 1254,
                                   1255, 1256, 1257, 1258, 932,  kUtf8CodePage};
  const int code_page = kCodePages[data[0] % std::size(kCodePages)];
  const auto letters =
      data[0] & 0x80 ? generator::GameLetters::kWindows1251 : generator::GameLetters::kLatin1;
  const std::u32string text =
      DecodeUtf8(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));

  const std::string drawn = generator::EncodeGameText(text, letters);
  FUZZ_CHECK(drawn.size() == text.size());
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    const auto byte = static_cast<unsigned char>(drawn[i]);
    FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
    if (byte == '?') continue;
    if (letters == generator::GameLetters::kWindows1251) {
      FUZZ_CHECK(DecodeCodePageByte(byte, 1251) == text[i]);
    } else {
      FUZZ_CHECK(byte >= 0xA0 || byte == text[i] || (byte < 0x80 && text[i] >= 0x100));
      FUZZ_CHECK(byte < 0x80 || byte == text[i]);
    }
  }

  if (const auto bytes = EncodeInCodePage(text, code_page)) {
    FUZZ_CHECK(bytes->size() == text.size());
    for (std::size_t i = 0; i < bytes->size(); ++i) {
      FUZZ_CHECK(DecodeCodePageByte(static_cast<unsigned char>((*bytes)[i]), code_page) == text[i]);
    }
  }
  return 0;
}
