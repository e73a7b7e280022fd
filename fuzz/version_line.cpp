#include <cstdint>
#include <string>

#include "common/Number.h"
#include "fuzz/FuzzCheck.h"
#include "platform/LineSplit.h"

// The version file: only its first line counts, read by its leading number.
// Whatever follows the first line end never changes the version, and the
// first line never holds a line feed.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view file(reinterpret_cast<const char*>(data), size);
  if (file.empty()) return 0;
  std::size_t position = 0;
  const std::string_view first_line = tickerloom::platform::NextLine(file, position);
  FUZZ_CHECK(first_line.find('\n') == std::string_view::npos);
  const double version = tickerloom::LeadingNumber(first_line);
  if (position < file.size() || file.back() == '\n') {
    // The same first line followed by something else.
    const std::string other = std::string(first_line) + "\r\n9999\r\n";
    std::size_t other_position = 0;
    const std::string_view other_first = tickerloom::platform::NextLine(other, other_position);
    FUZZ_CHECK(other_first == first_line);
    FUZZ_CHECK(tickerloom::LeadingNumber(other_first) == version);
  }
  return 0;
}
