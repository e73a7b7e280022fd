#include <cstdint>
#include <string>

#include "common/Number.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  double value = 0;
  const bool strict = tickerloom::IsStrictNumber(text, &value);
  // Blanks around the text never change the verdict.
  double padded_value = 0;
  FUZZ_CHECK(tickerloom::IsStrictNumber(" " + text + "\t", &padded_value) == strict);
  if (!strict) return 0;
  FUZZ_CHECK(padded_value == value);
  // A strict number is made of number characters only and reads the same
  // as its leading number.
  const auto first = text.find_first_not_of(" \t");
  const auto last = text.find_last_not_of(" \t");
  FUZZ_CHECK(first != std::string::npos);
  FUZZ_CHECK(text.substr(first, last - first + 1).find_first_not_of("+-.0123456789eE") ==
             std::string::npos);
  FUZZ_CHECK(tickerloom::LeadingNumber(text) == value);
  FUZZ_CHECK(!tickerloom::IsStrictNumber(text + "x", nullptr));
  return 0;
}
