#include <cstdint>
#include <string>

#include "fuzz/FuzzCheck.h"
#include "generator/Text.h"

// One byte per character; every byte but '?' stands for exactly the
// character it came from, and no control byte is ever written.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::u32string text =
      tickerloom::DecodeUtf8(std::string_view(reinterpret_cast<const char*>(data), size));
  const std::string encoded = tickerloom::EncodeWindows1252(text);
  FUZZ_CHECK(encoded.size() == text.size());
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    const auto byte = static_cast<unsigned char>(encoded[i]);
    FUZZ_CHECK(byte >= 0x20 && byte != 0x7F);
    if (byte != '?') FUZZ_CHECK(tickerloom::DecodeWindows1252(byte) == text[i]);
  }
  FUZZ_CHECK(tickerloom::EncodeUtf8(text).size() >= text.size());
  return 0;
}
