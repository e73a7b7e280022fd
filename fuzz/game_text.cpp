#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "generator/CodePage.h"
#include "generator/GameConsole.h"
#include "generator/Text.h"

// The first byte chooses the letters and a code page, the rest is the text.
// One byte a character, never a control byte; in Windows-1251 every byte but
// '?' decodes to its character, in Latin-1 every byte above 0x7F is its
// character; a code page's bytes decode to the text they came from.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tickerloom;
  if (size == 0) return 0;
  static const int kCodePages[] = {874, 1250, 1251, 1252, 1253, 1254, 1255, 1256, 1257, 1258, 932};
  const int code_page = kCodePages[data[0] % std::size(kCodePages)];
  const bool cyrillic = (data[0] & 0x80) != 0;
  const std::u32string text =
      DecodeUtf8(std::string_view(reinterpret_cast<const char*>(data) + 1, size - 1));
  const std::string drawn = generator::EncodeGameText(
      text, cyrillic ? generator::GameLetters::kWindows1251 : generator::GameLetters::kLatin1);
  FUZZ_CHECK(drawn.size() == text.size());
  for (std::size_t i = 0; i < drawn.size(); ++i) {
    const auto byte = static_cast<unsigned char>(drawn[i]);
    FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
    if (cyrillic && byte != '?') FUZZ_CHECK(DecodeCodePageByte(byte, 1251) == text[i]);
    if (!cyrillic && byte >= 0x80) FUZZ_CHECK(byte >= 0xA0 && byte == text[i]);
  }
  if (const auto bytes = EncodeInCodePage(text, code_page)) {
    for (std::size_t i = 0; i < bytes->size(); ++i) {
      FUZZ_CHECK(DecodeCodePageByte(static_cast<unsigned char>((*bytes)[i]), code_page) == text[i]);
    }
  }
  return 0;
}
