#include <cmath>
#include <cstdint>
#include <string>

#include "common/Number.h"
#include "fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  const double value = tickerloom::LeadingNumber(text);
  FUZZ_CHECK(!std::isnan(value));
  // Blanks anywhere and a trailing non-number character change nothing.
  FUZZ_CHECK(tickerloom::LeadingNumber(" \t" + text) == value);
  FUZZ_CHECK(tickerloom::LeadingNumber(text + "x") == value);
  // A text that does not start with a sign, a digit or a point (after
  // blanks) gives 0.
  const auto first = text.find_first_not_of(" \t\n");
  if (first == std::string::npos ||
      std::string("+-.0123456789").find(text[first]) == std::string::npos) {
    FUZZ_CHECK(value == 0);
  }
  return 0;
}
